#!/usr/bin/env bash
# Checks the headers and the import table of a built launcher:
#   check_executable.sh <objdump> <exe> <PE32|PE32+>
# A GUI program of the expected format that imports only system DLLs, and
# neither advapi32 nor shell32: those two are bound at run time, so that the
# executable starts even where their exports differ.
set -euo pipefail
objdump=$1 exe=$2 format=$3

headers=$("$objdump" -p "$exe")
fail() { echo "check_executable: $exe: $*" >&2; exit 1; }

grep -Eq "^Magic[[:space:]]+$([ "$format" = PE32 ] && echo 010b || echo 020b)" <<<"$headers" ||
  fail "not a $format image"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not a Windows GUI program"

allowed='^(KERNEL32|USER32|ole32|OLEAUT32|msvcrt|SHLWAPI)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
while read -r dll; do
  grep -Eiq "$allowed" <<<"$dll" || fail "imports $dll, which is not on the system-DLL list"
  grep -Eiq '^(advapi32|shell32)\.dll$' <<<"$dll" && fail "imports $dll directly"
done <<<"$imports"
echo "$exe: $format GUI program importing: $(tr '\n' ' ' <<<"$imports")"
