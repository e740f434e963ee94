#!/usr/bin/env bash
# Saves the screen of an X display as a PNG once a window whose name holds
# TITLE is on it (waiting up to a minute, then a few seconds for it to paint).
#   tools/window_shot.sh DISPLAY TITLE PNG
set -euo pipefail
display=$1
title=$2
png=$3
for _ in $(seq 60); do
    if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -qF "$title"; then
        break
    fi
    sleep 1
done
sleep 3
DISPLAY=$display import -window root "$png"
