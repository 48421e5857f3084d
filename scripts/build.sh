#!/usr/bin/env bash
# Configures and builds everything: the native unit tests and, through the
# cross toolchain, installer.exe (key-less, and in installer/signed/ built with
# the build's own vendor key) with the programs the tests run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
mkdir -p "$BUILD_DIR"
# A throw-away vendor key pair of this build: it makes the key-built installer
# and signs the sample distribution and the tests' lists.
KEY_DIR=$(cd "$BUILD_DIR" && pwd)/keys
python3 tools/make_key.py "$KEY_DIR" > "$BUILD_DIR/keys.log" 2>&1 || { cat "$BUILD_DIR/keys.log"; exit 1; }
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug \
    -DZORV_VENDOR_KEY="$KEY_DIR/vendor_public.pem" -DZORV_VENDOR_PRIVATE_KEY="$KEY_DIR/vendor_private.pem" \
    > "$BUILD_DIR/configure.log" 2>&1 || { cat "$BUILD_DIR/configure.log"; exit 1; }
cmake --build "$BUILD_DIR" -j"$(nproc)"
