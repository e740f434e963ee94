#!/usr/bin/env bash
# Tries the Debian package as a user's machine meets it: a clean Debian 12
# root made with debootstrap (minbase: no more than Debian's essential
# packages and apt), `apt install` of the package there, both programs
# started from it (the desktop program on this machine's Xvfb, whose
# screen is saved), the manual page shown, then `apt purge` (and
# autoremove) and a check that nothing of it is left.
#   sudo tools/try_package.sh [DEB] [ROOT]
# ROOT (default /var/tmp/karnea-bookworm) is made once and kept; the
# package is installed and removed in it each time.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:-$(ls dist/karnea_*_amd64.deb | sort -V | tail -1)}")
root=${2:-/var/tmp/karnea-bookworm}
shot=${KARNEA_SHOT:-$PWD/dist/karnea-in-clean-root.png}
bash tools/need_packages.sh debootstrap xvfb imagemagick x11-utils

if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
fi
in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/root \
        XDG_RUNTIME_DIR=/tmp/runtime "$@"
}

display=:$((80 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
mount -t proc proc "$root/proc"
mount --bind /dev/pts "$root/dev/pts"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
cleanup() {
    kill "$xvfb" 2>/dev/null || true
    umount "$root/tmp/.X11-unix" "$root/dev/pts" "$root/proc" 2>/dev/null || true
}
trap cleanup EXIT
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

echo "== apt install ./$name"
in_root apt-get update -qq
# A Japanese user's machine: the manual pages' reader and a Japanese locale.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends man-db locales
in_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
in_root install -d -m 700 /tmp/runtime
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "/tmp/$name"

echo "== the programs"
in_root karnea --version
in_root karnea-cli --version
in_root karnea-cli render /usr/share/karnea/examples/test.kdw -o /tmp/test.pdf
echo "render: $(in_root stat -c %s /tmp/test.pdf) bytes of PDF"
in_root env DISPLAY="$display" HOME=/tmp/user karnea /usr/share/karnea/examples/test.kdw &
program=$!
bash tools/window_shot.sh "$display" test.kdw "$shot"
echo "the window: $shot"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true

echo "== man karnea-cli"
in_root env MANWIDTH=80 MANPAGER=cat man karnea-cli | head -40
echo "== LANG=ja_JP.UTF-8 man karnea-cli"
in_root env LANG=ja_JP.UTF-8 MANWIDTH=80 MANPAGER=cat man karnea-cli | head -40
echo "== karnea --help"
in_root env LANG=ja_JP.UTF-8 karnea --help
echo "== file types"
in_root sh -c 'grep -h kdw /usr/share/mime/globs2'

echo "== apt purge karnea"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y karnea
left=$(in_root sh -c 'ls -d /usr/bin/karnea* /usr/share/karnea /usr/share/doc/karnea \
    /usr/share/man/man1/karnea* /usr/share/man/ja/man1/karnea* \
    /usr/share/applications/org.karnea.Karnea.desktop /usr/share/metainfo/org.karnea.* \
    /usr/share/bash-completion/completions/karnea-cli /usr/share/icons/hicolor/*/*/*karnea* \
    2>/dev/null' || true)
if [ -n "$left" ]; then
    echo "left behind: $left"
    exit 1
fi
if in_root grep -q karnea /usr/share/mime/globs2; then
    echo "the file types are still known"
    exit 1
fi
echo "removed: nothing of karnea is left"
# What it brought along goes too, so that the root is clean for the next try.
in_root env DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -qq >/dev/null
