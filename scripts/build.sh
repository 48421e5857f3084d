#!/usr/bin/env bash
# Configures and builds everything: the native unit tests and, through the
# cross toolchain, installer.exe (key-less, and in installer/signed/ built with
# the build's own vendor key and code-signed) with the programs the tests run
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
mkdir -p "$BUILD_DIR"
# A throw-away vendor key pair of this build: it makes the key-built installer
# and signs the sample distribution and the tests' lists.
KEY_DIR=$(cd "$BUILD_DIR" && pwd)/keys
python3 tools/make_key.py "$KEY_DIR" > "$BUILD_DIR/keys.log" 2>&1 || { cat "$BUILD_DIR/keys.log"; exit 1; }

# A throw-away code-signing authority and a code-signing certificate it
# issued, made once: the key-built installer is signed with it as a vendor's
# is with a real one, and the tests trust the authority. The authority's key
# is not kept.
make_code_signing_certificate() {
    local work status
    work=$(mktemp -d "$KEY_DIR/codesign.XXXXXX") || return 1
    (
        cd "$work" &&
        openssl req -x509 -newkey rsa:2048 -nodes -keyout ca_key.pem -out codesign_ca.pem -days 3650 \
            -subj "/O=Brenix test/CN=Brenix throw-away code-signing authority" \
            -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" &&
        openssl req -new -newkey rsa:2048 -nodes -keyout codesign_key.pem -out codesign.csr \
            -subj "/O=Brenix test/CN=Brenix (throw-away test certificate)" &&
        printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
            "extendedKeyUsage=codeSigning" "subjectKeyIdentifier=hash" "authorityKeyIdentifier=keyid" > leaf.ext &&
        openssl x509 -req -in codesign.csr -CA codesign_ca.pem -CAkey ca_key.pem -set_serial "0x$(openssl rand -hex 8)" \
            -days 3650 -extfile leaf.ext -out codesign_cert.pem &&
        cat codesign_ca.pem >> codesign_cert.pem &&
        openssl rand -hex 16 > codesign.pass &&
        openssl pkcs12 -export -inkey codesign_key.pem -in codesign_cert.pem -passout file:codesign.pass \
            -name "Brenix throw-away code signing" -out codesign.p12 &&
        chmod 600 codesign_key.pem codesign.pass codesign.p12 &&
        mv codesign_ca.pem codesign_cert.pem codesign_key.pem codesign.pass codesign.p12 "$KEY_DIR"/
    )
    status=$?
    rm -rf "$work"
    return $status
}
if [ ! -f "$KEY_DIR/codesign.p12" ] || [ ! -f "$KEY_DIR/codesign_ca.pem" ]; then
    make_code_signing_certificate >> "$BUILD_DIR/keys.log" 2>&1 || { cat "$BUILD_DIR/keys.log"; exit 1; }
fi

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug \
    -DZORV_VENDOR_KEY="$KEY_DIR/vendor_public.pem" -DZORV_VENDOR_PRIVATE_KEY="$KEY_DIR/vendor_private.pem" \
    -DZORV_CODE_SIGNING_PKCS12="$KEY_DIR/codesign.p12" -DZORV_CODE_SIGNING_PASSWORD_FILE="$KEY_DIR/codesign.pass" \
    -DZORV_CODE_SIGNING_CA="$KEY_DIR/codesign_ca.pem" \
    > "$BUILD_DIR/configure.log" 2>&1 || { cat "$BUILD_DIR/configure.log"; exit 1; }
cmake --build "$BUILD_DIR" -j"$(nproc)"
