#!/usr/bin/env bash
# Runs every benchmark and whole-process measurement and prints its figures:
# the core's benchmarks, painting and PNG pages, the readings dialogs,
# start-up to the first paint against a floor program (three runs),
# rendering a PDF against a floor program, and the campaign report on one
# thread against every processor, and the electronic delivery written to
# the disk against memory. Uses a fresh settings folder (laid down
# by the first start) and the offscreen platform, so that no display is
# needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/bench
cli=build/src/cli/karnea-cli
app=build/src/app/karnea
test=examples/test.kdw

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
export KARNEA_HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
"$cli" dump "$test" >/dev/null  # the first start lays down the settings

aggregates=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
"$bench/karnea-bench" "${aggregates[@]}"
"$bench/karnea-paint-bench" "${aggregates[@]}"
"$bench/karnea-dialogs-bench" "${aggregates[@]}"

"$cli" render "$test" --pages 1 --dpi 96 -o "$work/page1.ops"
"$cli" render "$test" --format ops -o "$work/all.ops"
for run in 1 2 3; do
    echo "== start-up to the first paint, run $run"
    "$bench/karnea-compare-bench" --runs 21 "$app" --quit-after-first-paint "$test" \
        --vs "$bench/karnea-floor-window" "$work/page1.ops" 2>/dev/null
done
echo "== karnea-cli render to PDF (600 dpi, every page)"
"$bench/karnea-compare-bench" --runs 21 "$cli" render "$test" -o "$work/program.pdf" \
    --vs "$bench/karnea-pdf-floor" "$work/all.ops" "$work/floor.pdf" 600
bash bench/campaign_jobs.sh 11
bash bench/delivery_disk.sh 11
bash bench/delivery_check.sh 7
