#!/usr/bin/env bash
# The main job: builds the installer and runs it under Wine. On a desktop it
# opens in a window for you to click through; without a display it runs on a
# virtual one, walked page by page by the UI driver, with a screenshot of each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
mkdir -p build
scripts/build.sh > build/demo-build.log 2>&1 || { tail -40 build/demo-build.log; exit 1; }
exec python3 scripts/demo.py "$@"
