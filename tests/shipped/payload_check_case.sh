#!/usr/bin/env bash
# Builds a launcher and checks what launcher-pack, run by add_launcher(),
# made of its payload with launcher-check's rules:
#   payload_check_case.sh <build tree> <target> <exe> refused|built <line pattern>
# "refused": the build fails with launcher-pack's refusal, the executable is
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
  grep -q "launcher-pack: the payload breaks what the launcher or its runtime module relies on" <<<"$output" ||
    fail "failed without launcher-pack's refusal"
  [ ! -e "$exe" ] || fail "$exe was left behind"
else
  [ "$status" -eq 0 ] || fail "was refused"
fi
echo "$target $outcome: $(grep -E "$pattern" <<<"$output" | head -n1)"
