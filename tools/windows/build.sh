#!/usr/bin/env bash
# Cross-builds karnea and karnea-cli for 64-bit Windows and lays out
# dist/karnea-VERSION-windows-x64.zip: the programs (with libxml2 and
# libxlsxwriter built in), the Qt libraries and plug-ins they load, the
# compiler's run-time libraries, kakasi with its dictionaries, the IPA fonts,
# Qt's Japanese translations, the licences, the help text, the examples and
# a README in Japanese.
#   tools/windows/build.sh [BUILD_DIR]      (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${1:-build-windows}
build=$(realpath -m "$build")
bash tools/windows/setup.sh
qt=$(bash tools/windows/build_qt.sh)
kakasi=$(bash tools/windows/build_kakasi.sh)
xmllibs=$(bash tools/windows/build_xmllibs.sh)

# Programs of this build run under Wine with the Qt and compiler libraries
# found where they are.
mkdir -p "$build"
cat >"$build/wine-run.sh" <<RUN
#!/usr/bin/env bash
export WINEPATH="$qt/bin;/usr/lib/gcc/x86_64-w64-mingw32/12-posix;/usr/x86_64-w64-mingw32/lib"
export QT_PLUGIN_PATH="$qt/plugins"
exec bash "$root/tools/windows/wine.sh" "\$@"
RUN
chmod +x "$build/wine-run.sh"

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/tools/windows/mingw-toolchain.cmake" \
    -DKARNEA_WINDOWS_PREFIXES="$qt;$xmllibs" -DCMAKE_PREFIX_PATH="$qt;$xmllibs" \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$build/wine-run.sh" >/dev/null
cmake --build "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
# The core tests find kakasi beside them, as the programs do in the zip.
cp "$kakasi" /usr/share/kakasi/kanwadict /usr/share/kakasi/itaijidict "$build/tests/"

# The folder the zip holds, as it is unpacked.
stage=$build/dist/karnea
rm -rf "$build/dist"
mkdir -p "$stage"/{platforms,imageformats,styles,fonts,translations,examples}
cp "$build/src/app/karnea.exe" "$build/src/cli/karnea-cli.exe" "$stage/"
for lib in Core Gui Widgets PrintSupport; do
    cp "$qt/bin/Qt6$lib.dll" "$stage/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
cp "$qt/plugins/imageformats/"*.dll "$stage/imageformats/"
cp "$qt/plugins/styles/"*.dll "$stage/styles/"
gcc=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
cp "$gcc/libstdc++-6.dll" "$gcc/libgcc_s_seh-1.dll" \
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
cp /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf \
    /usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf \
    /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf \
    /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf "$stage/fonts/"
cp /usr/share/doc/fonts-ipafont-mincho/copyright "$stage/fonts/IPA_Font_License.txt"
cp /usr/share/qt6/translations/qtbase_ja.qm /usr/share/qt6/translations/qt_ja.qm \
    "$stage/translations/"
# kakasi (GPL) with its dictionaries, beside the programs that run it.
cp "$kakasi" /usr/share/kakasi/kanwadict /usr/share/kakasi/itaijidict "$stage/"
mkdir -p "$stage/licenses"
cp "$(dirname "$kakasi")/COPYING" "$stage/licenses/kakasi-COPYING.txt"
# Qt's libraries are under the LGPL, the compiler's run-time libraries under
# the GCC run-time library exception and winpthreads' licence.
cp "$(dirname "$qt")/source/qt6-base-6.4.2+dfsg/LICENSES/LGPL-3.0-only.txt" \
    "$stage/licenses/Qt-LGPL-3.0.txt"
cp /usr/share/doc/libstdc++6/copyright "$stage/licenses/libstdc++-copyright.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64-copyright.txt"
# libxml2 (MIT), libxlsxwriter (BSD), zlib and SimpleIni (MIT), built into
# the programs.
cp "$xmllibs/licenses/"* "$stage/licenses/"
cp resources/Help.txt "$stage/"
cp -r examples/test.kdw examples/calibration.kcw examples/campaign "$stage/examples/"
# The README as Windows' editors read it: UTF-8 with a byte-order mark, CR LF.
{
    printf '\xEF\xBB\xBF'
    sed "1s/^karnea/karnea $version/; s/\$/\r/" tools/windows/README-ja.txt
} >"$stage/README.txt"
# A settings folder of its own for Qt: plug-ins are found beside the program.
printf '[Paths]\nPlugins = .\nTranslations = translations\n' >"$stage/qt.conf"

zip=dist/karnea-$version-windows-x64.zip
mkdir -p dist
rm -f "$zip"
(cd "$build/dist" && cmake -E tar cf "$root/$zip" --format=zip karnea)
echo "$zip: $(du -h "$zip" | cut -f1)"
