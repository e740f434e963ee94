#!/usr/bin/env bash
# Prints through a real print queue: CUPS with the cups-pdf driver as the
# default printer. It prints a test and a calibration with `karnea --print`,
# then through the print dialog (copies, collation, last page first), from
# the preview and from the depth profile's preview, and checks every PDF
# that arrives: the pages are the document's pages in the order asked for,
# each looks like the page the command-line tool draws, the survey name and
# the calibration table's title are text, and every font is embedded.
#   tools/print_test.sh [BUILD_DIR]
# KARNEA_PRINTED=DIR keeps a copy of every PDF that arrived there.
# Needs root (to install and start CUPS); otherwise it says so and counts as
# skipped (exit 77), never as passed. The machine's print set-up is left as
# it was found.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
app="$build/src/app/karnea"
cli="$build/src/cli/karnea-cli"
driver="$build/tests/print_queue_tests"

if [ "$(id -u)" -ne 0 ]; then
    echo "print test skipped: it installs and starts CUPS, which needs root"
    exit 77
fi
bash tools/need_packages.sh cups printer-driver-cups-pdf poppler-utils imagemagick >/dev/null

queue=karnea-pdf
out=/var/spool/cups-pdf/karnea
work=$(mktemp -d)
started_cupsd=no
previous_default=""
cleanup() {
    lpadmin -x "$queue" 2>/dev/null || true
    if [ -n "$previous_default" ]; then
        lpadmin -d "$previous_default" 2>/dev/null || true
    fi
    rm -f "/etc/cups/cups-pdf-$queue.conf"
    if [ "$started_cupsd" = yes ]; then
        pkill -x cupsd || true
    fi
    rm -rf "$work" "$out"
}
trap cleanup EXIT

if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    /usr/sbin/cupsd
    started_cupsd=yes
    for _ in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q 'is running' && break
        sleep 0.2
    done
fi
previous_default=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
mkdir -p "$out"
echo "Out $out" >"/etc/cups/cups-pdf-$queue.conf"
# cups-pdf writes one copy of what it is given, so CUPS is told to make the
# copies itself, as for a printer that cannot. And CUPS hands cups-pdf
# PostScript: made by the default converter, every glyph of the Japanese
# fonts becomes a picture without its character; made by cairo, the text
# survives the way back to PDF.
sed '/^\*PCFileName/a *cupsManualCopies: True' /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd \
    >"$work/$queue.ppd"
lpadmin -p "$queue" -v "cups-pdf:/$queue" -P "$work/$queue.ppd" \
    -o pdftops-renderer-default=pdftocairo -E 2>/dev/null
lpadmin -d "$queue"
echo "default printer: $(lpstat -d)"

export KARNEA_HOME="$work/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run"
export KARNEA_PRINT_QUEUE="$queue" LC_ALL=C.UTF-8
mkdir -p "$KARNEA_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Runs a print command and waits for the one PDF it makes; prints its path.
printed() {
    rm -f "$out"/*.pdf
    "$@" >"$work/print.log" 2>&1 || {
        cat "$work/print.log" >&2
        return 1
    }
    for _ in $(seq 240); do
        if ls "$out"/*.pdf >/dev/null 2>&1 && [ -z "$(lpstat -o "$queue")" ]; then
            sleep 0.5 # cups-pdf may still be writing
            if [ -n "${KARNEA_PRINTED:-}" ]; then
                mkdir -p "$KARNEA_PRINTED" && cp "$out"/*.pdf "$KARNEA_PRINTED"/
            fi
            ls "$out"/*.pdf
            return 0
        fi
        sleep 0.5
    done
    echo "no PDF arrived" >&2
    lpstat -W completed -o >&2 || true
    return 1
}

# The reference pages of FILE as `karnea-cli render` draws them.
reference() {
    local file=$1 name
    name=$(basename "$file")
    "$cli" render "$file" --format pdf -o "$work/$name.pdf"
    pdftoppm -r 50 -png "$work/$name.pdf" "$work/$name-ref"
}

# Checks that PDF holds the pages of FILE in the order given, each looking
# like the page drawn by the command-line tool.
pages_are() {
    local pdf=$1 file=$2
    shift 2
    local name count i=0
    name=$(basename "$file")
    count=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    if [ "$count" != "$#" ]; then
        echo "$name: $count pages printed, $# expected"
        return 1
    fi
    rm -f "$work"/got-*.png
    pdftoppm -r 50 -png "$pdf" "$work/got" 2>/dev/null
    local got=("$work"/got-*.png) refs=("$work/$name"-ref-*.png)
    for page in "$@"; do
        local rmse
        rmse=$( (compare -metric RMSE "${got[$i]}" "${refs[$((page - 1))]}" null: 2>&1 || true) |
            sed -n 's/.*(\(.*\)).*/\1/p')
        if ! awk -v r="$rmse" 'BEGIN { exit !(r != "" && r < 0.06) }'; then
            echo "$name: printed page $((i + 1)) is not page $page (difference ${rmse:-?})"
            return 1
        fi
        i=$((i + 1))
    done
    echo "$name: $count pages printed, pages $* in that order, each as rendered"
}

# Checks that TEXTS are text in PDF and that its fonts are embedded.
texts_and_fonts() {
    local pdf=$1
    shift
    pdftotext "$pdf" "$work/text.txt"
    for text in "$@"; do
        if ! grep -qF "$text" "$work/text.txt"; then
            echo "\"$text\" is not text in the printed PDF"
            return 1
        fi
        echo "  \"$text\" found as text"
    done
    if pdffonts "$pdf" | tail -n +3 | awk '{print $(NF-4)}' | grep -q no; then
        echo "a font is not embedded:"
        pdffonts "$pdf"
        return 1
    fi
    echo "  every font embedded"
}

test_file=examples/test.kdw
calibration_file=examples/calibration.kcw
reference "$test_file"
reference "$calibration_file"

echo "karnea --print, all pages once:"
pdf=$(printed "$app" --print "$test_file")
pages_are "$pdf" "$test_file" 1 2
texts_and_fonts "$pdf" "緑ヶ丘地区 地盤調査業務"
pdf=$(printed "$app" --print "$calibration_file")
pages_are "$pdf" "$calibration_file" 1 2
texts_and_fonts "$pdf" "緑ヶ丘地区 地盤調査業務" "キャリブレーション測定表"

echo "the print dialog, two collated copies, last page first:"
pdf=$(printed "$driver" collatedCopiesLastPageFirst)
pages_are "$pdf" "$test_file" 2 1 2 1
echo "the print dialog, two copies not collated:"
pdf=$(printed "$driver" uncollatedCopies)
pages_are "$pdf" "$test_file" 1 1 2 2
echo "the preview's print button:"
pdf=$(printed "$driver" printFromThePreview)
pages_are "$pdf" "$calibration_file" 1 2
echo "the depth profile of a folder, from its preview:"
"$cli" campaign examples/campaign -o "$work/campaign.pdf"
pdftoppm -r 50 -png "$work/campaign.pdf" "$work/campaign-ref"
pdf=$(printed "$driver" depthProfileFromThePreview)
pages_are "$pdf" campaign $(seq 1 14)
texts_and_fonts "$pdf" "深度分布図" "B-1_10.5.kdw"
echo "print test passed"
