#!/usr/bin/env bash
# Prints through a real print queue: CUPS with the cups-pdf driver as the
# default printer, `karnea --print` of a test and of a calibration, and the
# PDF that arrives checked: its page count is the document's, the survey name
# and the calibration table's title are text in it, and every font is
# embedded. Needs root (to install and start CUPS); otherwise it says so and
# counts as skipped (exit 77), never as passed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
app="$build/src/app/karnea"
cli="$build/src/cli/karnea-cli"

if [ "$(id -u)" -ne 0 ]; then
    echo "print test skipped: it installs and starts CUPS, which needs root"
    exit 77
fi
packages=(cups printer-driver-cups-pdf poppler-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

out=/var/spool/cups-pdf/karnea
mkdir -p "$out"
rm -f "$out"/*.pdf
sed -i "s|^#\\?Out .*|Out $out|" /etc/cups/cups-pdf.conf
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    /usr/sbin/cupsd
    for _ in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q 'is running' && break
        sleep 0.2
    done
fi
lpadmin -p karnea-pdf -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd -E 2>/dev/null
lpadmin -d karnea-pdf
echo "default printer: $(lpstat -d)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KARNEA_HOME="$work/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Prints FILE and waits for its PDF; checks the pages and the texts given.
check() {
    local file=$1
    shift
    local before
    before=$(find "$out" -name '*.pdf' | wc -l)
    "$app" --print "$file"
    local pdf=""
    for _ in $(seq 120); do
        if [ "$(find "$out" -name '*.pdf' | wc -l)" -gt "$before" ]; then
            pdf=$(ls -t "$out"/*.pdf | head -1)
            sleep 1  # cups-pdf may still be writing
            break
        fi
        sleep 0.5
    done
    if [ -z "$pdf" ]; then
        echo "no PDF arrived for $file"
        lpstat -W completed -o || true
        exit 1
    fi
    local expected pages
    expected=$("$cli" render "$file" --format ops -o - | grep -c '^page ')
    pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    echo "$file: $pages pages printed, the document has $expected"
    [ "$pages" = "$expected" ]
    pdftotext "$pdf" "$work/text.txt"
    for text in "$@"; do
        if ! grep -qF "$text" "$work/text.txt"; then
            echo "\"$text\" is not text in the printed PDF"
            exit 1
        fi
        echo "  \"$text\" found as text"
    done
    if pdffonts "$pdf" | tail -n +3 | awk '{print $(NF-4)}' | grep -q no; then
        echo "a font is not embedded:"
        pdffonts "$pdf"
        exit 1
    fi
    echo "  every font embedded"
}

check examples/test.kdw "緑ヶ丘地区 地盤調査業務"
check examples/calibration.kcw "緑ヶ丘地区 地盤調査業務" "キャリブレーション"
echo "print test passed"
