#!/usr/bin/env bash
# Checks the headers, the import table and the manifest of a built launcher
# or launcher stub of either edition:
#   check_executable.sh <objdump> <exe> <PE32|PE32+>
# A GUI program of the expected format, relocatable (ASLR) with data that is
# never executable (DEP), the x64 edition anywhere in its address space
# (HIGH_ENTROPY_VA), that imports only system DLLs, and neither advapi32 nor
# shell32: those two are bound at run time, so that the executable starts
# even where their exports differ. Its manifest keeps it unelevated
# (asInvoker). Its own code and data (every section but the resources) stay
# within 150 KiB in the x86 edition and 128 KiB in the x64 one, whose code
# the build makes smaller.
set -euo pipefail
objdump=$1 exe=$2 format=$3

headers=$("$objdump" -p "$exe")
fail() { echo "check_executable: $exe: $*" >&2; exit 1; }

grep -Eq "^Magic[[:space:]]+$([ "$format" = PE32 ] && echo 010b || echo 020b)" <<<"$headers" ||
  fail "not a $format image"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not a Windows GUI program"
characteristics=(DYNAMIC_BASE NX_COMPAT)
[ "$format" = PE32 ] || characteristics+=(HIGH_ENTROPY_VA)
for characteristic in "${characteristics[@]}"; do
  sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p' <<<"$headers" |
    grep -q "$characteristic" || fail "DllCharacteristics lack $characteristic"
done

manifest=$(7z e -tPE -so "$exe" .rsrc/MANIFEST/1 2>/dev/null) || fail "no manifest resource (24, 1)"
grep -Eq '<([A-Za-z0-9_]+:)?requestedExecutionLevel[^>]*level="asInvoker"' <<<"$manifest" ||
  fail "the manifest does not declare requestedExecutionLevel asInvoker"

stub_limit=$(( ($([ "$format" = PE32 ] && echo 150 || echo 128)) * 1024 ))
stub_bytes=0
while read -r _ name size _; do
  [ "$name" = .rsrc ] || stub_bytes=$(( stub_bytes + 16#$size ))
done < <("$objdump" -h "$exe" | grep -E '^ *[0-9]+ ')
[ "$stub_bytes" -gt 0 ] || fail "no sections found"
if [ "$stub_bytes" -gt "$stub_limit" ]; then
  fail "code and data besides the resources take $stub_bytes bytes, more than $stub_limit"
fi

allowed='^(KERNEL32|USER32|ole32|OLEAUT32|msvcrt|SHLWAPI)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
while read -r dll; do
  grep -Eiq "$allowed" <<<"$dll" || fail "imports $dll, which is not on the system-DLL list"
  grep -Eiq '^(advapi32|shell32)\.dll$' <<<"$dll" && fail "imports $dll directly"
done <<<"$imports"
echo "$exe: $format GUI program, ${characteristics[*]} asInvoker," \
     "$stub_bytes bytes besides the resources, importing: $(tr '\n' ' ' <<<"$imports")"
