#!/usr/bin/env bash
# The benchmark: builds the installer, its variant without progress updates
# and the design-limit programs, then measures them under Wine against
# loopback servers and prints a table (also in build/bench/results.txt and
# build/bench/results.json). Options go to bench/run_bench.py (--runs N).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
mkdir -p build/bench
scripts/build.sh > build/bench/build.log 2>&1 || { tail -40 build/bench/build.log; exit 1; }
cmake --build build/win32 --target design_limit trivial_window record_calls installer_quiet >> build/bench/build.log 2>&1 || {
    tail -40 build/bench/build.log; exit 1; }
export ZORV_WIN32_DIR="$PWD/build/win32"
export ZORV_E2E_WORK="$PWD/build/bench/work"
export PYTHONPATH="$PWD/tests/e2e"
# The key-built installer's walk needs lists signed with the build's key.
[ -f build/keys/vendor_private.pem ] && export ZORV_VENDOR_PRIVATE_KEY="$PWD/build/keys/vendor_private.pem"
exec python3 bench/run_bench.py --out "$PWD/build/bench" "$@"
