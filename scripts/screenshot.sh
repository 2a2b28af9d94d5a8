#!/usr/bin/env bash
# Takes a screenshot of the main window under Xvfb with the Japanese font.
# Usage: scripts/screenshot.sh PROGRAM_DIR OUTPUT.png
set -euo pipefail
program_dir=$(cd "$1" && pwd)
out=$(realpath -m "$2")
cd "$program_dir"
export LANG=C.UTF-8
xvfb-run -a -s "-screen 0 800x500x24" bash -c '
    ./norvelle & pid=$!
    trap "kill $pid 2>/dev/null || true" EXIT
    win=$(timeout 20 xdotool search --sync --onlyvisible --name "Norvelle" | head -n 1)
    xdotool windowmove "$win" 0 0
    # Wait until the window has been drawn at its place before taking the picture.
    for i in $(seq 1 50); do
        geo=$(xdotool getwindowgeometry "$win" | grep Position || true)
        case "$geo" in *"0,0"*) break;; esac
        sleep 0.1
    done
    sleep 0.5
    import -window root -crop "$(xdotool getwindowgeometry --shell "$win" | awk -F= "/WIDTH/{w=\$2}/HEIGHT/{h=\$2}END{print w\"x\"h\"+0+0\"}")" "'"$out"'"
'
echo "$out"
