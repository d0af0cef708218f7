#!/bin/bash
# Signs the demo's example installer with the code-signing certificate that
# tools/make-test-signing-fixtures.sh made for this build tree (issued by
# "ZvAutoUpdate Test Root CA"; trusted only in Wine prefixes that installed
# that root, see tools/demo/TrustRootCertificate.cpp).
#   sign-example-installer.sh FIXTURE_DIR UNSIGNED_EXE SIGNED_EXE
set -euo pipefail
fixtures=${1:?usage: $0 FIXTURE_DIR UNSIGNED_EXE SIGNED_EXE}
in=${2:?usage: $0 FIXTURE_DIR UNSIGNED_EXE SIGNED_EXE}
out=${3:?usage: $0 FIXTURE_DIR UNSIGNED_EXE SIGNED_EXE}
chain=$(mktemp)
trap 'rm -f "$chain" "$out.tmp"' EXIT
cat "$fixtures/codesign.pem" "$fixtures/root-ca.pem" >"$chain"
osslsigncode sign -certs "$chain" -key "$fixtures/codesign.key" -h sha256 -n "SampleProgram Setup" \
    -in "$in" -out "$out.tmp" >/dev/null
osslsigncode verify -CAfile "$fixtures/root-ca.pem" -in "$out.tmp" >/dev/null
mv -f "$out.tmp" "$out"
