#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UBSan, libFuzzer) in
# a build folder of their own and runs each on its seed corpus and the inputs
# kept from earlier long runs:
#   tools/fuzz.sh brief          a few seconds each (make test)
#   tools/fuzz.sh long [SECONDS] each for SECONDS, 3600 unless given (make fuzz)
#   tools/fuzz.sh keep           replaces the kept inputs (tests/fuzz/found)
#                                with the fewest of them and of the build
#                                folder's inputs that reach all they reach
# New inputs found go to the build folder; only `keep` writes below tests/. A
# target that crashes leaves its input in the build folder and fails the run.
# FUZZ_TARGETS="pdf open" runs only those targets; FUZZ_SANITIZERS=undefined
# builds without AddressSanitizer (with its own FUZZ_BUILD_DIR), for a long
# run of a target that spends its time in large buffers.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-brief}
seconds=${2:-3600}
build=${FUZZ_BUILD_DIR:-build/fuzz}

cmake -S . -B "$build" -G Ninja -DKARNEA_FUZZ=ON -DBUILD_TESTING=OFF \
    -DKARNEA_FUZZ_SANITIZERS="${FUZZ_SANITIZERS:-address,undefined}" \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" | grep -v '^\[' || true
cmake --build "$build" >/dev/null

case "$mode" in
brief) limit=(-max_total_time=3) ;;
long) limit=(-max_total_time="$seconds") ;;
keep) ;;
*)
    echo "usage: tools/fuzz.sh brief | long [SECONDS] | keep" >&2
    exit 2
    ;;
esac

# The kept inputs of a target: those that reach what its seeds do not. The
# seeds are copied into the new set first so that libFuzzer counts what they
# reach as reached, and taken out again afterwards.
keep() {
    local target=$1 name=$2 found=tests/fuzz/found/$2 fresh
    fresh=$(mktemp -d)
    cp "tests/fuzz/corpus/$name"/* "$fresh"/
    mkdir -p "$found" "$build/corpus/$name"
    if ! "$target" -set_cover_merge=1 -timeout=20 -rss_limit_mb=2048 "$fresh" "$found" \
        "$build/corpus/$name" >"$build/$name-keep.log" 2>&1; then
        echo "fuzz-$name: the merge failed, see $build/$name-keep.log"
        rm -rf "$fresh"
        return 1
    fi
    (cd "tests/fuzz/corpus/$name" && for seed in *; do rm -f "$fresh/$seed"; done)
    rm -rf "$found"
    mv "$fresh" "$found"
    chmod 755 "$found"
    echo "fuzz-$name: $(find "$found" -type f | wc -l) inputs kept"
}

status=0
for target in "$build"/tests/fuzz/fuzz-*; do
    name=${target##*/fuzz-}
    if [[ -n ${FUZZ_TARGETS:-} && " $FUZZ_TARGETS " != *" $name "* ]]; then
        continue
    fi
    if [[ $mode == keep ]]; then
        keep "$target" "$name" || status=1
        continue
    fi
    work="$build/corpus/$name"
    mkdir -p "$work" "$build/crashes"
    corpora=("$work" "tests/fuzz/corpus/$name")
    [[ -d tests/fuzz/found/$name ]] && corpora+=("tests/fuzz/found/$name")
    if "$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$name-" "${corpora[@]}" \
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
