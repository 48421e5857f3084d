#!/usr/bin/env bash
# Fuzzes every parser of outside text with libFuzzer, one target after the
# other, each for the given time (default 60 s) on a copy of its checked-in
# corpus, and prints per target the executions, the coverage and the crashes.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Builds with clang into build-fuzz/; everything a run finds (new inputs,
# crash files, logs) stays under build-fuzz/run/<target>/. A crash file is
# replayed with build-fuzz/<target>_fuzz FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]" >&2
    exit 2
fi

scripts/setup.sh
BUILD_DIR=build-fuzz
mkdir -p "$BUILD_DIR"
cmake -S tests/fuzz -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DZORV_LIBFUZZER=ON \
    > "$BUILD_DIR/configure.log" 2>&1 || { cat "$BUILD_DIR/configure.log"; exit 1; }
cmake --build "$BUILD_DIR" -j"$(nproc)" > "$BUILD_DIR/build.log" 2>&1 || { cat "$BUILD_DIR/build.log"; exit 1; }

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for folder in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$folder")")
    done
fi

# The targets allocate many small blocks; with the default 256 MB quarantine
# their overhead alone would pass libFuzzer's 2 GB memory limit in a long run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

summary="$BUILD_DIR/summary.txt"
printf '%-20s %14s %8s %8s %8s  %s\n' target executions cov ft crashes "first crash" > "$summary"
failed=0
for target in "${targets[@]}"; do
    binary="$BUILD_DIR/${target}_fuzz"
    if [ ! -x "$binary" ] || [ ! -d "tests/fuzz/corpus/$target" ]; then
        echo "fuzz: no target named $target" >&2
        exit 2
    fi
    run="$BUILD_DIR/run/$target"
    rm -rf "$run"
    mkdir -p "$run/corpus" "$run/artifacts"
    cp tests/fuzz/corpus/"$target"/* "$run/corpus/"
    echo "fuzz: $target for ${seconds} s"
    set +e
    "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$run/artifacts/" "$run/corpus" > "$run/fuzz.log" 2>&1
    set -e

    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/fuzz.log" | tail -1)
    status=$(grep -E '^#[0-9]+' "$run/fuzz.log" | grep ' cov: ' | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$status")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$status")
    crashes=$(find "$run/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
    count=$(grep -c . <<< "$crashes" || true)
    first=$(head -1 <<< "$crashes")
    printf '%-20s %14s %8s %8s %8s  %s\n' "$target" "${executions:-?}" "${cov:-?}" "${ft:-?}" "$count" "${first:--}" >> "$summary"
    if [ "$count" -gt 0 ]; then
        failed=1
        grep -m1 -A3 -E 'property failed|ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$run/fuzz.log" >&2 || true
    fi
done

cat "$summary"
exit "$failed"
