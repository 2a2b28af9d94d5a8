#!/usr/bin/env bash
# Renders the program icon and the link pointer from their SVG sources into the PNG files the
# program is built with. The PNGs are kept in the repository, so only whoever changes a drawing
# needs rsvg-convert (Debian: librsvg2-bin). Run from anywhere: src/ui/platform/icons/render.sh
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" norvelle.svg -o "norvelle-$size.png"
done
rsvg-convert -w 32 -h 32 hand-right.svg -o hand-right-32.png
# The Windows program's icon resource: the same sizes in one file.
convert norvelle-16.png norvelle-24.png norvelle-32.png norvelle-48.png norvelle-64.png \
    norvelle-128.png norvelle-256.png norvelle.ico
