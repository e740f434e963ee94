#!/usr/bin/env bash
# The setup program under Wine, in a Wine folder of its own made afresh: a
# silent install; its registry keys read back; karnea-cli.exe run from the
# installed folder; the same setup again, as a repair; karnea.exe started through the .kdw association on an
# example (its window saved as build-windows/karnea-installed.png); a silent
# uninstall that leaves no file and no key of its own, and the user's data
# file and changed example where they were.
#   tools/windows/test_installer.sh SETUP.exe
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
setup=$(realpath "$1")
export WINEPREFIX=$root/build-windows/wine-installer
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
failed=0
fail() {
    echo "installer: $*"
    failed=1
}
key() { wine reg query "$1" 2>/dev/null | tr -d '\r' | grep -v "Unable to find" || true; }

wineboot -i >/dev/null 2>&1 || true
user=$(wine cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
home=$WINEPREFIX/drive_c/users/$user
folder=$home/AppData/Local/Programs/karnea
timeout 300 wine "$setup" /S || fail "the silent install failed"
[ -x "$folder/karnea.exe" ] && [ -f "$folder/uninstall.exe" ] || fail "no program in $folder"
[ -f "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/karnea/karnea.lnk" ] ||
    fail "no Start menu entry"

key 'HKCU\Software\Classes\.kdw' | grep -q 'REG_SZ *karnea.kdw' || fail ".kdw is not karnea's"
key 'HKCU\Software\Classes\.kcw' | grep -q 'REG_SZ *karnea.kcw' || fail ".kcw is not karnea's"
key 'HKCU\Software\Classes\karnea.kdw\shell\open\command' | grep -qF 'karnea.exe" "%1"' ||
    fail "no open command"
key 'HKCU\Software\Classes\karnea.kdw\shell\print\command' | grep -qF 'karnea.exe" /p "%1"' ||
    fail "no print command"
key 'HKCU\Software\Classes\karnea.kcw\DefaultIcon' | grep -qF 'karnea-calibration.ico' ||
    fail "no icon of the calibration files"
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\karnea'
for value in DisplayName DisplayVersion Publisher DisplayIcon UninstallString EstimatedSize; do
    key "$uninstall" | grep -q "^ *$value " || fail "no $value in the installed apps"
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
answer=$(wine "$folder/karnea-cli.exe" --version 2>/dev/null | tr -d '\r')
[ "$answer" = "karnea-cli $version" ] || fail "the installed karnea-cli.exe says '$answer'"
# The user's own folder for data (the prefix's Documents leads to $HOME).
documents=$WINEPREFIX/drive_c/data
mkdir -p "$documents"
wine "$folder/karnea-cli.exe" render 'C:\users\'"$user"'\AppData\Local\Programs\karnea\examples\test.kdw' \
    -o 'C:\data\test.pdf' >/dev/null 2>&1 || fail "render from the installed folder"
head -c 4 "$documents/test.pdf" 2>/dev/null | grep -q '%PDF' || fail "no PDF rendered"
cp "$folder/examples/test.kdw" "$documents/mine.kdw"
# An example the user saved over is the user's: the same setup again (a
# repair, as a newer one over an older) leaves it, and puts back a file
# that went missing.
printf 'changed' >>"$folder/examples/calibration.kcw"
touch -d '2030-01-01' "$folder/examples/calibration.kcw"
rm "$folder/Help.txt"
timeout 300 wine "$setup" /S || fail "the repair failed"
[ -f "$folder/Help.txt" ] || fail "the repair did not put back Help.txt"
tail -c 7 "$folder/examples/calibration.kcw" | grep -q changed || fail "the repair wrote over a changed example"

# The association's open command starts the program on the file, as
# Explorer runs it (Wine's own "start" looks in the machine's classes only,
# not in the user's, where a per-user install registers its types).
shot=$root/build-windows/karnea-installed.png
rm -f "$shot"
display=:$((80 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 2
open=$(key 'HKCU\Software\Classes\karnea.kdw\shell\open\command' | sed -n 's/.*REG_SZ *//p')
program=$(printf '%s' "$open" | sed -n 's/^"\([^"]*\)" "%1"$/\1/p')
[ -n "$program" ] || fail "the open command is not '\"program\" \"%1\"': $open"
DISPLAY=$display wine "$program" 'C:\data\mine.kdw' >/dev/null 2>&1 &
bash tools/window_shot.sh "$display" '("karnea.exe"' "$shot"
DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -qF '"カルネアv5"' ||
    fail "the open command did not start karnea.exe"
wineserver -k 2>/dev/null || true
kill $xvfb 2>/dev/null || true

timeout 300 wine "$folder/uninstall.exe" /S || fail "the silent uninstall failed"
# The uninstaller finishes in a copy of itself; wait for it.
for _ in $(seq 30); do
    [ -e "$folder/uninstall.exe" ] || break
    sleep 1
done
left=$(cd "$folder" 2>/dev/null && find . -type f | sort)
[ "$left" = "./examples/calibration.kcw" ] || fail "the uninstall left: $left"
[ -f "$documents/mine.kdw" ] || fail "the uninstall removed the user's data file"
for k in 'HKCU\Software\Classes\karnea.kdw' 'HKCU\Software\Classes\karnea.kcw' \
    'HKCU\Software\Classes\.kdw' 'HKCU\Software\karnea' "$uninstall"; do
    [ -z "$(key "$k")" ] || fail "the uninstall left $k"
done
[ ! -e "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/karnea" ] ||
    fail "the uninstall left the Start menu folder"
wineserver -k 2>/dev/null || true
[ "$failed" = 0 ] || exit 1
echo "install, association and uninstall as expected; the window: $shot"
