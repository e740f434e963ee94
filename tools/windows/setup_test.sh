#!/usr/bin/env bash
# The Debian packages the Windows tests need beyond the build's: a display
# for the desktop program and the tools that find its window and save it.
set -euo pipefail
exec bash "$(dirname "$0")/../need_packages.sh" xvfb x11-utils imagemagick
