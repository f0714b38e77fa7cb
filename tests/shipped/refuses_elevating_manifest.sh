#!/usr/bin/env bash
# Builds a launcher whose manifest asks to run as administrator and checks
# that add_launcher()'s launcher-pack refuses it:
#   refuses_elevating_manifest.sh <build tree> <target>
set -uo pipefail
tree=$1 target=$2

output=$(cmake --build "$tree" --target "$target" 2>&1)
status=$?
if [ "$status" -eq 0 ]; then
  echo "refuses_elevating_manifest: $target was built" >&2
  exit 1
fi
if ! grep -q "launcher-pack: the manifest does not declare requestedExecutionLevel asInvoker" <<<"$output"; then
  echo "refuses_elevating_manifest: $target failed without the manifest error:" >&2
  echo "$output" >&2
  exit 1
fi
echo "$target refused: $(grep "launcher-pack:" <<<"$output")"
