#!/usr/bin/env bash
# Checks a built launcher or launcher stub of either edition as it ships:
#   check_executable.sh <launcher-check> <objdump> <exe> <PE32|PE32+>
# launcher-check judges the executable itself, and its EXECUTABLE, IMPORTS
# and MANIFEST findings must be ok: a Windows GUI program of the expected
# format, importing only system DLLs and neither advapi32 nor shell32 (those
# two are bound at run time), whose manifest keeps it unelevated (asInvoker).
# Its payload findings are not read: a stub has none to carry. What the
# build alone decides is read from objdump's headers: relocatable (ASLR)
# with data that is never executable (DEP), the x64 edition anywhere in its
# address space (HIGH_ENTROPY_VA), and its own code and data (every section
# but the resources) within 150 KiB in the x86 edition and 128 KiB in the
# x64 one, whose code the build makes smaller.
set -euo pipefail
launcher_check=$1 objdump=$2 exe=$3 format=$4

fail() { echo "check_executable: $exe: $*" >&2; exit 1; }

# Exit status 1 is a report with a broken finding, which a stub's payload
# findings always are; 2 is no report at all, launcher-check saying why.
status=0
report=$("$launcher_check" --format "$format" "$exe") || status=$?
[ "$status" -le 1 ] || fail "launcher-check made no report (exit status $status)"
judged=""
for role in EXECUTABLE IMPORTS MANIFEST; do
  finding=$(grep -m1 "^$role " <<<"$report") || fail "launcher-check reports no $role finding"
  read -r _ _ _ verdict why <<<"$finding"
  [ "$verdict" = ok ] || fail "$role $verdict: $why"
  judged+="; $why"
done

headers=$("$objdump" -p "$exe")
characteristics=(DYNAMIC_BASE NX_COMPAT)
[ "$format" = PE32 ] || characteristics+=(HIGH_ENTROPY_VA)
for characteristic in "${characteristics[@]}"; do
  sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$headers" |
    grep -q "$characteristic" || fail "DllCharacteristics lack $characteristic"
done

stub_limit=$(( ($([ "$format" = PE32 ] && echo 150 || echo 128)) * 1024 ))
stub_bytes=0
while read -r _ name size _; do
  [ "$name" = .rsrc ] || stub_bytes=$(( stub_bytes + 16#$size ))
done < <("$objdump" -h "$exe" | grep -E '^ *[0-9]+ ')
[ "$stub_bytes" -gt 0 ] || fail "no sections found"
if [ "$stub_bytes" -gt "$stub_limit" ]; then
  fail "code and data besides the resources take $stub_bytes bytes, more than $stub_limit"
fi

echo "$exe: ${characteristics[*]}, $stub_bytes bytes besides the resources$judged"
