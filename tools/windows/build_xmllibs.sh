#!/usr/bin/env bash
# Cross-builds, once, for 64-bit Windows from Debian's source packages, as
# static libraries in a folder (include/, lib/) in the same cache as Qt:
# libxml2 (XML with DTD validation, for the electronic delivery; no iconv and
# no network: the program hands it UTF-8 and loads nothing) and
# libxlsxwriter (the Excel workbook; its own zip code and number writer, so
# that no locale changes a number; zlib from Debian's mingw package). The
# site sheet's INI reader, a header from Debian's libsimpleini-dev, goes
# beside them.
#   tools/windows/build_xmllibs.sh        prints the path of the folder
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KARNEA_WINDOWS_CACHE:-$HOME/.cache/karnea-windows}

xml_version=2.9.14+dfsg
xml_revision=1.3~deb12u6
xlsx_version=1.1.4
xlsx_revision=2
declare -A sums=(
    [libxml2_${xml_version}.orig.tar.xz]=4fe913dec8b1ab89d13b489b419a8203176ea39e931eaa0d25b17eafb9c279e9
    [libxml2_${xml_version}-${xml_revision}.debian.tar.xz]=f33a99a0018cbb94aadc3bf26661e401cb90dff856aa170faf7239151ee9b9ac
    [libxml2_${xml_version}-${xml_revision}.dsc]=d86ce3efb1b75d2781f72f5cdd187474c148a915d610295c85162681bb070a65
)
key=$( (echo "$xml_version-$xml_revision $xlsx_version-$xlsx_revision"; cat "$0" /usr/include/SimpleIni.h) | sha256sum | cut -c1-12)
prefix=$cache/xmllibs-$key
if [ -f "$prefix/lib/libxml2.a" ] && [ -f "$prefix/lib/libxlsxwriter.a" ]; then
    echo "$prefix"
    exit 0
fi

source "$here/debian_source.sh"
work=$cache/xmllibs-build-$key
log=$work.log
rm -rf "$work" "$prefix.part"
mkdir -p "$work"
unpack_debian_source http://deb.debian.org/debian/pool/main/libx/libxml2 \
    "libxml2_${xml_version}-${xml_revision}.dsc" "$work/libxml2"
declare -A sums=(
    [libxlsxwriter_${xlsx_version}.orig.tar.gz]=b379eb35fdd9c653ebe72485b9c992f612c7ea66f732784457997d6e782f619b
    [libxlsxwriter_${xlsx_version}-${xlsx_revision}.debian.tar.xz]=62db4901bf6049e2e33ef708d2d51b36cfb82e2bc10ed5f82be0cf9fe596e98b
    [libxlsxwriter_${xlsx_version}-${xlsx_revision}.dsc]=8e53fa5625ec415e16f62411036de83eed6ec93a3499c4e159d5b119dbbc81ba
)
unpack_debian_source http://deb.debian.org/debian/pool/main/libx/libxlsxwriter \
    "libxlsxwriter_${xlsx_version}-${xlsx_revision}.dsc" "$work/libxlsxwriter"
{
    cmake -S "$work/libxml2" -B "$work/libxml2-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/mingw-toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix.part" -DBUILD_SHARED_LIBS=OFF \
        -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_LZMA=OFF \
        -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF \
        -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF \
        -DLIBXML2_WITH_THREADS=ON
    cmake --build "$work/libxml2-build"
    cmake --install "$work/libxml2-build"
    cmake -S "$work/libxlsxwriter" -B "$work/libxlsxwriter-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/mingw-toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix.part" -DBUILD_SHARED_LIBS=OFF \
        -DUSE_SYSTEM_MINIZIP=OFF -DUSE_DTOA_LIBRARY=ON -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
        -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
        -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
    cmake --build "$work/libxlsxwriter-build"
    cmake --install "$work/libxlsxwriter-build"
    cp /usr/include/SimpleIni.h "$prefix.part/include/"
    mkdir -p "$prefix.part/licenses"
    cp "$work/libxml2/Copyright" "$prefix.part/licenses/libxml2-Copyright.txt"
    cp /usr/share/doc/libsimpleini-dev/copyright "$prefix.part/licenses/SimpleIni-copyright.txt"
    cp "$work/libxlsxwriter/License.txt" "$prefix.part/licenses/libxlsxwriter-License.txt"
    cp /usr/share/doc/libz-mingw-w64-dev/copyright "$prefix.part/licenses/zlib-copyright.txt"
} >"$log" 2>&1 || {
    echo "building libxml2 and libxlsxwriter for Windows failed; the log: $log" >&2
    tail -20 "$log" >&2
    exit 1
}
mv "$prefix.part" "$prefix"
rm -rf "$work" "$log"
echo "$prefix"
