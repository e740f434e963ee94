#!/usr/bin/env bash
# The electronic delivery of 100 tests written to the disk (the checkout's
# file system, ext4 here) against the same delivery written to memory
# (tmpfs, /dev/shm), side by side in one run: what making the delivery
# durable costs. Median wall and processor times of alternating runs, and
# their ratios ("program" is the disk, "floor" memory).
#   bench/delivery_disk.sh [RUNS] [TESTS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
count=${2:-100}
build=build

disk=$(mktemp -d "$PWD/$build/delivery-bench.XXXXXX")
memory=$(mktemp -d /dev/shm/karnea-delivery.XXXXXX)
trap 'rm -rf "$disk" "$memory"' EXIT
export QT_QPA_PLATFORM=offscreen KARNEA_HOME="$disk/home" XDG_RUNTIME_DIR="$disk/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cli=$(realpath "$build/src/cli/karnea-cli")

"$build/bench/karnea-campaign-tests" "$disk/tests" "$count"
{
    printf '[delivery]\nedition = 2016\nclient = 県土木事務所\n'
    for ((b = 1; b <= (count + 4) / 5; ++b)); do
        printf '[boring B-%d]\nfolder = BRG%04d\nlongitude = 136 13 %02d.0330\n' "$b" "$b" "$b"
        printf 'latitude = 36 04 41.9870\nmethod = 01\nprecision = 4\ndatum = 02\n'
        printf 'elevation = 7.10\ndiameter = 66\n'
    done
} >"$disk/tests/delivery.ini"
echo "== the delivery of $count tests: to the disk ($(stat -f -c %T "$disk")) against memory ($(stat -f -c %T "$memory"))"
"$build/bench/karnea-compare-bench" --runs "$runs" \
    "$cli" delivery "$disk/tests" -o "$disk/out" \
    --vs "$cli" delivery "$disk/tests" -o "$memory/out"
