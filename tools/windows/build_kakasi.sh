#!/usr/bin/env bash
# Cross-builds the kakasi program (romaji for the AGS export) for 64-bit
# Windows from Debian's source package, once, into the same cache as Qt. It
# reads its dictionaries (Debian's, which are the same on every system) from
# the folder it runs in.
#   tools/windows/build_kakasi.sh        prints the path of kakasi.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KARNEA_WINDOWS_CACHE:-$HOME/.cache/karnea-windows}

version=2.3.6
revision=4.1
pool=http://deb.debian.org/debian/pool/main/k/kakasi
declare -A sums=(
    [kakasi_${version}.orig.tar.xz]=2ee57b1b03c74fd5766e741c3812028efc73bc0e0bf93a6e7ff20eb4701f3ee3
    [kakasi_${version}-${revision}.debian.tar.xz]=24190610e5830cb7be0d7e7917977261f3ded4be4151fdce1730f6dc5811f709
    [kakasi_${version}-${revision}.dsc]=0eccb79fd533b59c2102841ed893f80a540116a2c24f295ef9401b93a7498022
)
key=$( (echo "$version-$revision"; cat "$0") | sha256sum | cut -c1-12)
program=$cache/kakasi-$key/kakasi.exe
if [ -f "$program" ]; then
    echo "$program"
    exit 0
fi

work=$cache/kakasi-build-$key
source "$here/debian_source.sh"
unpack_debian_source "$pool" "kakasi_${version}-${revision}.dsc" "$work"
cd "$work"
{
    # Shift_JIS in and out only: no UTF-8, which would need iconv.
    ./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
        --disable-shared --disable-utf8
    make -C lib
    make -C src kakasi.exe dictdir=.
} >"$work.log" 2>&1 || {
    echo "building kakasi for Windows failed; the log: $work.log" >&2
    tail -20 "$work.log" >&2
    exit 1
}
mkdir -p "$(dirname "$program")"
cp src/kakasi.exe COPYING "$(dirname "$program")/"
cd "$cache"
rm -rf "$work" "$work.log"
echo "$program"
