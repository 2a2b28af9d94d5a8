#!/usr/bin/env bash
# Renders the program icon and the link pointer from their SVG sources into the PNG files the
# program is built with. The PNGs are kept in the repository, so only whoever changes a drawing
# needs rsvg-convert (Debian: librsvg2-bin). Run from anywhere: src/platform/icons/render.sh
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" norvelle.svg -o "norvelle-$size.png"
done
rsvg-convert -w 32 -h 32 hand-right.svg -o hand-right-32.png
