#!/usr/bin/env bash
# Builds a launcher whose manifest asks to run as administrator and checks
# that add_launcher() refuses it with its error:
#   refuses_elevating_manifest.sh <build tree> <target>
set -uo pipefail
tree=$1 target=$2

output=$(cmake --build "$tree" --target "$target" 2>&1)
status=$?
if [ "$status" -eq 0 ]; then
  echo "refuses_elevating_manifest: $target was built" >&2
  exit 1
fi
# CMake wraps the message's lines.
if ! grep -q "add_launcher($target): the manifest" <<<"$output" ||
   ! grep -q 'does not declare' <<<"$output"; then
  echo "refuses_elevating_manifest: $target failed without the manifest error:" >&2
  echo "$output" >&2
  exit 1
fi
echo "$target refused: $(grep -A3 "add_launcher($target):" <<<"$output" | tr -s ' \n' ' ')"
