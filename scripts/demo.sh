#!/usr/bin/env bash
# The main job: builds the installer, shows its code signature and the check
# of the distribution it installs, and runs it under Wine. On a desktop it
# opens in a window for you to click through; without a display it runs on a
# virtual one, walked page by page by the UI driver, with a screenshot of each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export BUILD_DIR=${BUILD_DIR:-build}
mkdir -p "$BUILD_DIR"
scripts/build.sh > "$BUILD_DIR/demo-build.log" 2>&1 || { tail -40 "$BUILD_DIR/demo-build.log"; exit 1; }
# The published program's code signature, checked against the build's
# throw-away authority as Windows checks a vendor's against its own.
echo "The key-built installer's code signature (osslsigncode verify -CAfile $BUILD_DIR/keys/codesign_ca.pem):"
osslsigncode verify -CAfile "$BUILD_DIR/keys/codesign_ca.pem" -in "$BUILD_DIR/win32/installer/signed/installer.exe" \
    > "$BUILD_DIR/demo-signature.log" 2>&1 || { cat "$BUILD_DIR/demo-signature.log"; exit 1; }
grep -E 'Message digest algorithm  :|Subject:|Issuer :|Text description|Signature verification|^Succeeded' \
    "$BUILD_DIR/demo-signature.log" | awk '!seen[$0]++ { sub(/^[ \t]+/, ""); print "  " $0 }'
echo
exec python3 scripts/demo.py "$@"
