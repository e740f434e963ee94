#!/usr/bin/env bash
# The campaign report against the spreadsheet route, side by side in one
# run: `karnea-cli campaign` of ten tests of 120 readings in one process,
# against LibreOffice converting ten copies of the spreadsheet route's
# workbook (one test each, made by PEER/make_sheet.py) to PDF in one call.
# Prints the median wall times and their ratio, and each side's peak memory;
# then the report of 10, 100 and 1000 tests alone: its time per test and its
# peak memory.
#   tools/campaign_bench.sh PEER_DIR [RUNS]
# Installs LibreOffice Calc, openpyxl, GNU time and poppler-utils when they
# are missing (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
peer=$(realpath "${1:?usage: tools/campaign_bench.sh PEER_DIR [RUNS]}")
runs=${2:-11}
build=build

bash tools/need_packages.sh libreoffice-calc-nogui python3-openpyxl time poppler-utils

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen KARNEA_HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cli=$(realpath "$build/src/cli/karnea-cli")
soffice=$(command -v soffice)

"$build/bench/karnea-campaign-tests" "$work/tests"
/usr/bin/python3 "$peer/make_sheet.py" "$work/pmt.xlsx" >/dev/null
mkdir -p "$work/books"
for i in 01 02 03 04 05 06 07 08 09 10; do cp "$work/pmt.xlsx" "$work/books/pmt$i.xlsx"; done
office=("$soffice" "-env:UserInstallation=file://$work/profile" --headless --norestore
    --convert-to pdf --outdir "$work/out-office" "$work"/books/*.xlsx)
ours=("$cli" campaign "$work/tests" -o "$work/report.pdf")
"${office[@]}" >/dev/null 2>&1 # the office profile is made once, before timing

echo "== the campaign report of 10 tests (120 readings each) against 10 workbooks in one call"
"$build/bench/karnea-compare-bench" --runs "$runs" "${ours[@]}" --vs "${office[@]}" \
    2>/dev/null | grep -v -e '^convert ' -e '^Overwriting'
echo "(program: karnea-cli campaign; floor: the spreadsheet route)"
echo "pages: report $(pdfinfo "$work/report.pdf" | sed -n 's/^Pages: *//p'), workbooks $(
    for f in "$work"/out-office/*.pdf; do pdfinfo "$f"; done | awk '/^Pages:/ { n += $2 } END { print n }')"
for side in ours office; do
    declare -n command=$side
    peaks=()
    for _ in 1 2 3; do
        peaks+=("$(/usr/bin/time -f '%M' "${command[@]}" 2>&1 >/dev/null | tail -1)")
    done
    echo "peak memory, $side: ${peaks[*]} KB"
done

echo "== the campaign report alone, by size"
for count in 10 100 1000; do
    "$build/bench/karnea-campaign-tests" "$work/tests$count" "$count"
    line=$(/usr/bin/time -f '%e %M' "$cli" campaign "$work/tests$count" -o "$work/report$count.pdf" \
        2>&1 >/dev/null | tail -1)
    read -r seconds peak <<<"$line"
    awk -v n="$count" -v s="$seconds" -v m="$peak" \
        'BEGIN { printf "%5d tests: %.2f s, %.1f ms a test, peak %.1f MiB\n", n, s, 1000 * s / n, m / 1024 }'
done
