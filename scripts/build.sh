#!/usr/bin/env bash
# Configures and builds everything: the native unit tests and, through the
# cross toolchain, installer.exe with the programs the tests run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
mkdir -p "$BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug > "$BUILD_DIR/configure.log" 2>&1 || {
    cat "$BUILD_DIR/configure.log"; exit 1; }
cmake --build "$BUILD_DIR" -j"$(nproc)"
