#!/usr/bin/env bash
# Checks a signed launcher against the same launcher built unsigned:
#   check_signed_launcher.sh <osslsigncode> <objdump> <launcher-check> <CA file> <signed exe> <unsigned exe>
# The signed one carries an Authenticode signature over its SHA-256 digest
# that verifies against the CA, kept in the PE certificate table; the
# unsigned one carries none. Signing changed no resource, and nothing else:
# without its signature the signed image is the unsigned one byte for byte.
# launcher-check names the signer and its issuer (the test CA's), tells the
# unsigned one unsigned, and refuses a certificate table that is damaged.
set -euo pipefail
osslsigncode=$1 objdump=$2 checker=$3 ca=$4 signed=$5 unsigned=$6
fail() { echo "check_signed_launcher: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$osslsigncode" verify -CAfile "$ca" -in "$signed" >"$work/verify.txt" 2>&1 ||
  { cat "$work/verify.txt" >&2; fail "$signed: the signature does not verify against $ca"; }
grep -Eq '^Message digest algorithm +: SHA256' "$work/verify.txt" ||
  fail "$signed: the signed digest is not SHA-256: $(grep -m1 'Message digest algorithm' "$work/verify.txt")"
"$osslsigncode" verify -CAfile "$ca" -in "$unsigned" >/dev/null 2>&1 &&
  fail "$unsigned is signed too"

# Data directory entry 4 gives the certificate table's file offset (field 3)
# and size (field 4), in hexadecimal.
certificate_table() { "$objdump" -p "$1" | awk -v field="$2" '$1 == "Entry" && $2 == 4 { print $field }'; }
[ "$(certificate_table "$signed" 4)" != 00000000 ] && [ -n "$(certificate_table "$signed" 4)" ] ||
  fail "$signed: the signature is not in the PE certificate table"

signature_line() { "$checker" "$1" | grep '^SIGNATURE ' || true; }
expected='ok +Authenticode signature by "Launcher Test Signer", issued by "Launcher Test CA"$'
grep -Eq "$expected" <<<"$(signature_line "$signed")" ||
  fail "launcher-check tells of $signed: $(signature_line "$signed")"
grep -Eq 'ok +not signed$' <<<"$(signature_line "$unsigned")" ||
  fail "launcher-check tells of $unsigned: $(signature_line "$unsigned")"
# The first certificate entry's type (at its offset 6) made unknown.
cp "$signed" "$work/damaged.exe"
table=$((16#$(certificate_table "$signed" 3)))
printf '\x09' | dd of="$work/damaged.exe" bs=1 seek=$((table + 6)) conv=notrunc status=none
if "$checker" "$work/damaged.exe" >"$work/damaged.txt" ||
   ! grep -Eq '^SIGNATURE .* error +certificate table damaged' "$work/damaged.txt"; then
  fail "launcher-check took a damaged certificate table: $(grep '^SIGNATURE' "$work/damaged.txt")"
fi

for image in signed unsigned; do
  7z x -tPE -y -o"$work/$image" "${!image}" '.rsrc/*' >/dev/null ||
    fail "7z could not read the resources of ${!image}"
done
[ -n "$(ls -A "$work/unsigned/.rsrc")" ] || fail "$unsigned: no resources found"
diff -r "$work/unsigned/.rsrc" "$work/signed/.rsrc" >&2 ||
  fail "a resource of $signed differs from $unsigned (above)"

"$osslsigncode" remove-signature -in "$signed" -out "$work/stripped.exe" >/dev/null
cmp "$work/stripped.exe" "$unsigned" ||
  fail "$signed without its signature differs from $unsigned"
echo "$signed: SHA-256 Authenticode signature verified against $ca," \
     "$(signature_line "$signed" | sed 's/.*ok *//');" \
     "$(ls "$work/signed/.rsrc" | wc -l) resource types as unsigned; the image is the unsigned one"
