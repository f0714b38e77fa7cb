#!/usr/bin/env bash
# Makes a throw-away certificate authority and a code-signing certificate it
# issued, for signing test launchers and verifying them against that CA:
#   make_signing_certificates.sh <openssl> <output dir>
# writes ca.pem, signer.pem and signer.key (unencrypted). Never ship these.
set -euo pipefail
openssl=$1 out=$2
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$openssl" req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Launcher Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
"$openssl" req -new -newkey rsa:2048 -nodes -subj "/CN=Launcher Test Signer" \
  -keyout "$work/signer.key" -out "$work/signer.csr" 2>/dev/null
cat >"$work/signer.ext" <<'EOF'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
EOF
"$openssl" x509 -req -days 3650 -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -set_serial "0x$("$openssl" rand -hex 8)" -extfile "$work/signer.ext" \
  -out "$work/signer.pem" 2>/dev/null

# Moved out only once all are made, so a failed run leaves none behind; the
# CA's own key goes with the work folder.
mv "$work/ca.pem" "$work/signer.key" "$work/signer.pem" "$out/"
