#!/usr/bin/env bash
# Cross-builds Qt (qtbase: Core, Gui, Widgets, PrintSupport) for 64-bit
# Windows from Debian's source package, once, into a cache outside the tree;
# later runs reuse it while the version and the options below are unchanged.
#   tools/windows/build_qt.sh        prints the installed prefix
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${KARNEA_WINDOWS_CACHE:-$HOME/.cache/karnea-windows}

version=6.4.2+dfsg
revision=10
pool=http://deb.debian.org/debian/pool/main/q/qt6-base
# The files of the source package, by their SHA-256 (as its .dsc lists them).
declare -A sums=(
    [qt6-base_${version}.orig.tar.xz]=4f14b89a9463a540fd84a6718b8519a2297119b454ef547721015a9e9019ae9e
    [qt6-base_${version}-${revision}.debian.tar.xz]=d1a2621b1acb1606db7274ccdb96654564cea04af836c5b86da94e150714d16c
    [qt6-base_${version}-${revision}.dsc]=1b4b5c8610a553d4211fa81e268b1a3b0a6339ae5444fdb7e60d7616da651970
)
options=(
    -release -xplatform win32-g++ -qt-host-path /usr
    -no-opengl -no-dbus -no-icu -no-feature-tabletevent -no-feature-sql -no-feature-network
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre
    -nomake examples -nomake tests
)
# The cache's name changes with the version, the options and this toolchain.
key=$( (echo "$version-$revision ${options[*]}"; cat "$here/mingw-toolchain.cmake") |
    sha256sum | cut -c1-12)
prefix=$cache/qt-$key
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

source "$here/debian_source.sh"
unpack_debian_source "$pool" "qt6-base_${version}-${revision}.dsc" \
    "$cache/source/qt6-base-$version"

build=$cache/build-$key
rm -rf "$build" "$prefix"
mkdir -p "$build"
cd "$build"
{
    "$cache/source/qt6-base-$version/configure" -prefix "$prefix" "${options[@]}" -- \
        -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/mingw-toolchain.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    cmake --build . --parallel
    cmake --install .
} >"$cache/build-$key.log" 2>&1 || {
    echo "building Qt for Windows failed; the log: $cache/build-$key.log" >&2
    tail -30 "$cache/build-$key.log" >&2
    exit 1
}
rm -rf "$build"
touch "$prefix/.complete"
echo "$prefix"
