#!/usr/bin/env bash
# Installs, once, every Debian package that building, testing and running the
# program needs and that a fresh Debian 12 machine with a C++ toolchain lacks.
set -euo pipefail

packages=(
    # build and test
    cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev locales
    # the fuzz targets: clang with libFuzzer and the sanitizers' runtimes
    clang libclang-rt-14-dev
    # desktop program
    qt6-base-dev qt6-translations-l10n
    # Japanese faces that stand in for the faces the settings name
    fonts-ipafont-mincho fonts-ipafont-gothic fontconfig
    # the electronic delivery: XML with DTD validation, the site sheet's INI
    # reader, and xmllint for the tests' second check of what it writes
    libxml2-dev libsimpleini-dev libxml2-utils
    # Excel workbooks, and openpyxl for the tests' independent reading of them
    libxlsxwriter-dev python3-openpyxl
    # the tests' independent reading of the PDFs written: structure, text, pages
    qpdf poppler-utils
    # the published deliveries the tests deliver into (a tar.xz)
    xz-utils
    # the manual pages, the Debian package and the checks of what it installs
    scdoc dpkg-dev man-db lintian appstream desktop-file-utils shared-mime-info bash-completion
    # a display for the desktop program on machines without one
    xvfb xauth
    # Japanese texts in romaji for the AGS export (run as a program)
    kakasi
)

exec bash "$(dirname "$0")/need_packages.sh" "${packages[@]}"
