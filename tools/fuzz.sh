#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UBSan, libFuzzer) in
# a build folder of their own and runs each on its seed corpus:
#   tools/fuzz.sh brief          a few seconds each (make test)
#   tools/fuzz.sh long [SECONDS] each for SECONDS, 3600 unless given (make fuzz)
# New inputs found go to the build folder, never into tests/fuzz/corpus. A
# target that crashes leaves its input in the build folder and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-brief}
seconds=${2:-3600}
build=${FUZZ_BUILD_DIR:-build/fuzz}

cmake -S . -B "$build" -G Ninja -DKARNEA_FUZZ=ON -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" | grep -v '^\[' || true
cmake --build "$build" >/dev/null

case "$mode" in
brief) limit=(-max_total_time=3) ;;
long) limit=(-max_total_time="$seconds") ;;
*)
    echo "usage: tools/fuzz.sh brief | long [SECONDS]" >&2
    exit 2
    ;;
esac

status=0
for target in "$build"/tests/fuzz/fuzz-*; do
    name=${target##*/fuzz-}
    work="$build/corpus/$name"
    mkdir -p "$work" "$build/crashes"
    if "$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$name-" "$work" "tests/fuzz/corpus/$name" \
        >"$build/$name.log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$name.log" | grep -o '[0-9]*$')
        echo "fuzz-$name: ${runs:-?} executions, no finding"
    else
        echo "fuzz-$name: FINDING, see $build/$name.log and $build/crashes/"
        tail -40 "$build/$name.log"
        status=1
    fi
done
exit $status
