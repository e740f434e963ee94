#!/usr/bin/env bash
# The Debian packages the Windows build and its tests need, beyond those of
# the Linux build: the mingw-w64 compilers, Wine, the tools that unpack a
# Debian source package, and GoogleTest's source (built for Windows too).
set -euo pipefail
here=$(dirname "$0")
bash "$here/../setup.sh"
exec bash "$here/../need_packages.sh" g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev \
    xz-utils curl libgtest-dev libz-mingw-w64-dev fonts-ipafont-mincho fonts-ipafont-gothic qt6-translations-l10n \
    nsis
