#!/usr/bin/env bash
# Builds a launcher and checks what launcher-check, run by add_launcher(),
# made of its payload:
#   payload_check_case.sh <build tree> <target> <exe> refused|built <line pattern>
# "refused": the build fails with add_launcher()'s error, the executable is
# gone, and the report has a line matching the pattern (an extended regular
# expression). "built": the build succeeds and shows that line (a warning).
set -uo pipefail
tree=$1 target=$2 exe=$3 outcome=$4 pattern=$5
fail() { echo "payload_check_case: $target: $*" >&2; echo "$output" >&2; exit 1; }

# Linked afresh, so that the check runs whatever an earlier run left.
rm -f "$exe"
output=$(cmake --build "$tree" --target "$target" 2>&1)
status=$?
grep -Eq "$pattern" <<<"$output" || fail "no line matching: $pattern"
if [ "$outcome" = refused ]; then
  [ "$status" -ne 0 ] || fail "was built"
  # CMake wraps the message's lines.
  tr -s ' \n' ' ' <<<"$output" | grep -q "add_launcher($target): launcher-check found a payload" ||
    fail "failed without add_launcher()'s error"
  [ ! -e "$exe" ] || fail "$exe was left behind"
else
  [ "$status" -eq 0 ] || fail "was refused"
fi
echo "$target $outcome: $(grep -E "$pattern" <<<"$output" | head -n1)"
