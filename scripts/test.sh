#!/usr/bin/env bash
# Every test: the native unit tests, then the end-to-end tests of the real
# installer under Wine. Works on a fresh machine: installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
rm -rf e2e screenshots
ctest -j2 --output-on-failure --timeout 900
