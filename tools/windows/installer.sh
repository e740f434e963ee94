#!/usr/bin/env bash
# Makes the Windows setup program from the same folder as the zip, with
# Debian's NSIS: dist/karnea-VERSION-setup-x64.exe.
#   tools/windows/installer.sh [BUILD_DIR [--staged]]   (default build-windows;
#   --staged: the build and its folder are there already)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$(realpath -m "${1:-build-windows}")
[ "${2:-}" = --staged ] || bash tools/windows/build.sh "$build" >/dev/null
bash tools/need_packages.sh nsis >&2  # what it says goes with the messages, not the result
stage=$build/dist/karnea
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$build/installer
rm -rf "$work"
mkdir -p "$work"

# The File commands of every file of the folder, and the Delete commands
# that undo them (folders after their files, deepest first). Examples are
# noted as installed and never written over: one the user changed stays.
files=$work/files.nsh
undo=$work/files.nsh.uninstall
: >"$files"
: >"$undo"
windows() { printf '%s' "$1" | tr / '\\'; }
while IFS= read -r dir; do
    rel=${dir#./}
    target='$INSTDIR'
    [ "$rel" = . ] || target="\$INSTDIR\\$(windows "$rel")"
    echo "SetOutPath \"$target\"" >>"$files"
    while IFS= read -r file; do
        name=${file#./}
        case $name in
            examples/*)
                # One the user kept from before is not written, nor noted.
                echo "\${IfNot} \${FileExists} \"\$INSTDIR\\$(windows "$name")\"" >>"$files"
                echo "File \"$stage/$name\"" >>"$files"
                echo "!insertmacro RecordExample \"$(windows "$name")\"" >>"$files"
                echo "\${EndIf}" >>"$files"
                echo "!insertmacro DeleteExample \"$(windows "$name")\"" >>"$undo"
                ;;
            *)
                echo "File \"$stage/$name\"" >>"$files"
                echo "Delete \"\$INSTDIR\\$(windows "$name")\"" >>"$undo"
                ;;
        esac
    done < <(cd "$stage" && find "$dir" -maxdepth 1 -type f | sort)
done < <(cd "$stage" && find . -type d | sort)
(cd "$stage" && find . -mindepth 1 -type d | sort -r) | while IFS= read -r dir; do
    echo "RMDir \"\$INSTDIR\\$(windows "${dir#./}")\"" >>"$undo"
done

mkdir -p dist
out=$root/dist/karnea-$version-setup-x64.exe
makensis -V2 -DVERSION="$version" -DFILES="$files" -DOUTFILE="$out" \
    -DICONS="$root/resources/icons" tools/windows/karnea.nsi
echo "$out: $(du -h "$out" | cut -f1)"
