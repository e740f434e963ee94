#!/usr/bin/env bash
# The campaign report of 100 tests (120 readings each) drawn on one thread
# and on every processor, side by side in one run: the median wall and
# processor times of each, the ratio of the wall times, and the processor
# time a test with how much it grows on every processor.
#   bench/campaign_jobs.sh [RUNS] [TESTS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
count=${2:-100}
build=build

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen KARNEA_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cli=$(realpath "$build/src/cli/karnea-cli")
cores=$(nproc)

"$build/bench/karnea-campaign-tests" "$work/tests" "$count"
echo "== the campaign report of $count tests: --jobs $cores (every processor) against --jobs 1"
"$build/bench/karnea-compare-bench" --runs "$runs" \
    "$cli" campaign "$work/tests" --jobs "$cores" -o "$work/all.pdf" \
    --vs "$cli" campaign "$work/tests" --jobs 1 -o "$work/one.pdf" | tee "$work/times"
awk -v n="$count" -v cores="$cores" '
    /^program:/ { wall_all = $3; gsub(/\)/, "", $6); cpu_all = $6 }
    /^floor:/   { wall_one = $3; gsub(/\)/, "", $6); cpu_one = $6 }
    END {
        printf "wall: %.2f of the one-thread time on %d processors\n", wall_all / wall_one, cores
        printf "processor time a test: %.2f ms on one thread, %.2f ms on %d (%+.1f %%)\n",
            cpu_one / n, cpu_all / n, cores, 100 * (cpu_all / cpu_one - 1)
    }' "$work/times"
cmp -s <(sed 's/CreationDate (D:[0-9Z]*)//' "$work/all.pdf") \
    <(sed 's/CreationDate (D:[0-9Z]*)//' "$work/one.pdf") &&
    echo "the two reports are the same, byte for byte, but for their creation time"
