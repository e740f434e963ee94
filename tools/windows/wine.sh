#!/usr/bin/env bash
# Runs a Windows program under Wine, in a Wine folder of the build's own
# (made at the first run), without Wine's own messages.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-${KARNEA_WINEPREFIX:-$HOME/.cache/karnea-windows/wine}}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
