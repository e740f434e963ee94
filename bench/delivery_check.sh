#!/usr/bin/env bash
# A check of a whole delivery (delivery --check) of 200 borings, five tests
# each, against xmllint validating the same XML against the DTDs beside them
# in one process: what the check costs beyond the validation a client's
# checking system does. Median wall and processor times of alternating
# runs, and their ratios ("program" is the check, "floor" xmllint).
#   bench/delivery_check.sh [RUNS] [BORINGS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
borings=${2:-200}
count=$((borings * 5))
build=build

dir=$(mktemp -d "$PWD/$build/delivery-check.XXXXXX")
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen KARNEA_HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cli=$(realpath "$build/src/cli/karnea-cli")

"$build/bench/karnea-campaign-tests" "$dir/tests" "$count"
{
    printf '[delivery]\nedition = 2016\nclient = 県土木事務所\n'
    for ((b = 1; b <= borings; ++b)); do
        printf '[boring B-%d]\nfolder = BRG%04d\nlongitude = 136 13 %02d.0330\n' "$b" "$b" $((b % 60))
        printf 'latitude = 36 04 41.9870\nmethod = 01\nprecision = 4\ndatum = 02\n'
        printf 'elevation = 7.10\ndiameter = 66\n'
    done
} >"$dir/tests/delivery.ini"
"$cli" delivery "$dir/tests" -o "$dir/out" >/dev/null
mapfile -t xml < <(find "$dir/out/BORING/TEST" -name '*.XML' | sort)
echo "== a check of $borings borings ($count tests, ${#xml[@]} XML) against xmllint --valid"
"$build/bench/karnea-compare-bench" --runs "$runs" \
    "$cli" delivery --check "$dir/out" \
    --vs "$(command -v xmllint)" --noout --valid "${xml[@]}"
