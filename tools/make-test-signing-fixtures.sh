#!/bin/bash
# Makes the signing and TLS fixtures of the tests:
#   make-test-signing-fixtures.sh OUTDIR TINY_EXE
#
# In OUTDIR:
#   root-ca.{pem,cer,key}              "ZvAutoUpdate Test Root CA" (the trusted one; .cer is DER)
#   codesign.{pem,key}                 code-signing certificate issued by it
#   untrusted-root-ca.{pem,cer,key}    a second root that tests never install
#   untrusted-codesign.{pem,key}       code-signing certificate issued by the untrusted root
#   server-trusted.{pem,key}           TLS server 127.0.0.1 / localhost, trusted root
#   server-untrusted.{pem,key}         TLS server 127.0.0.1 / localhost, untrusted root
#   server-wrong-host.{pem,key}        TLS server "wrong.example.com", trusted root
#   unsigned.exe                       TINY_EXE as built
#   signed-valid.exe                   signed with codesign (chain: leaf + trusted root)
#   signed-tampered.exe                signed-valid.exe with one byte of the DOS stub changed
#   signed-untrusted-root.exe          signed with untrusted-codesign (chain: leaf + untrusted root)
#   stamp                              written last; CMake depends on it
#
# Keys are made afresh on each run; the signing time is fixed, so the same key
# and executable give the same signed file. Everything runs offline.
set -euo pipefail

out=${1:?usage: $0 OUTDIR TINY_EXE}
tiny=${2:?usage: $0 OUTDIR TINY_EXE}
# 2024-01-01 00:00:00 UTC: the signing time recorded in the signatures.
sign_time=1704067200
days=3650

mkdir -p "$out"
out=$(cd "$out" && pwd)
tiny=$(cd "$(dirname "$tiny")" && pwd)/$(basename "$tiny")
work=$(mktemp -d "$out/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

key() {
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null
}

# root NAME "COMMON NAME"
root() {
    key "$1"
    openssl req -x509 -new -key "$1.key" -sha256 -days $days -subj "/O=ZvAutoUpdate Tests/CN=$2" \
        -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -addext "subjectKeyIdentifier=hash" \
        -out "$1.pem"
    openssl x509 -in "$1.pem" -outform DER -out "$1.cer"
}

# leaf NAME ISSUER "COMMON NAME" EXTENSIONS...
leaf() {
    local name=$1 issuer=$2 cn=$3
    shift 3
    key "$name"
    openssl req -new -key "$name.key" -subj "/O=ZvAutoUpdate Tests/CN=$cn" -out "$name.csr"
    printf '%s\n' "basicConstraints=critical,CA:FALSE" "subjectKeyIdentifier=hash" \
        "authorityKeyIdentifier=keyid" "$@" >"$name.ext"
    openssl x509 -req -in "$name.csr" -CA "$issuer.pem" -CAkey "$issuer.key" -CAcreateserial \
        -sha256 -days $days -extfile "$name.ext" -out "$name.pem" 2>/dev/null
}

root root-ca "ZvAutoUpdate Test Root CA"
root untrusted-root-ca "ZvAutoUpdate Untrusted Test Root CA"

codesign_ext=("keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning")
leaf codesign root-ca "ZvAutoUpdate Test Code Signing" "${codesign_ext[@]}"
leaf untrusted-codesign untrusted-root-ca "ZvAutoUpdate Untrusted Test Code Signing" "${codesign_ext[@]}"

server_ext=("keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth")
# Wine 8's SSL name check reads only DNS entries of the subject alternative
# name (not IP entries, and not the common name when the extension exists):
# "127.0.0.1" is therefore listed as a DNS entry too. Windows matches either.
loopback_san="subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost"
leaf server-trusted root-ca "127.0.0.1" "${server_ext[@]}" "$loopback_san"
leaf server-untrusted untrusted-root-ca "127.0.0.1" "${server_ext[@]}" "$loopback_san"
leaf server-wrong-host root-ca "wrong.example.com" "${server_ext[@]}" "subjectAltName=DNS:wrong.example.com"

cp "$tiny" unsigned.exe
cat codesign.pem root-ca.pem >codesign-chain.pem
cat untrusted-codesign.pem untrusted-root-ca.pem >untrusted-codesign-chain.pem

sign() {
    osslsigncode sign -certs "$1" -key "$2" -h sha256 -n "ZvAutoUpdate Test Installer" \
        -time $sign_time -in unsigned.exe -out "$3" >/dev/null
}
sign codesign-chain.pem codesign.key signed-valid.exe
sign untrusted-codesign-chain.pem untrusted-codesign.key signed-untrusted-root.exe

# Tampered: one byte of the DOS stub's message ("This program cannot be run
# in DOS mode"). The stub is covered by the Authenticode digest, and the PE
# loader and the signature parser never read it.
offset=$(grep -obUa "This program" signed-valid.exe | head -1 | cut -d: -f1)
[ -n "$offset" ] || { echo "$0: no DOS stub message in $tiny" >&2; exit 1; }
cp signed-valid.exe signed-tampered.exe
printf 't' | dd of=signed-tampered.exe bs=1 seek="$offset" conv=notrunc status=none

# Sanity: the untampered files carry their signatures, the tampered one fails.
osslsigncode verify -CAfile root-ca.pem -in signed-valid.exe >/dev/null
osslsigncode verify -CAfile untrusted-root-ca.pem -in signed-untrusted-root.exe >/dev/null
if osslsigncode verify -CAfile root-ca.pem -in signed-tampered.exe >/dev/null 2>&1; then
    echo "$0: signed-tampered.exe still verifies" >&2
    exit 1
fi

for f in root-ca untrusted-root-ca; do mv -f "$f.pem" "$f.cer" "$f.key" "$out/"; done
for f in codesign untrusted-codesign server-trusted server-untrusted server-wrong-host; do
    mv -f "$f.pem" "$f.key" "$out/"
done
mv -f unsigned.exe signed-valid.exe signed-tampered.exe signed-untrusted-root.exe "$out/"
date -u +%s >"$out/stamp"
