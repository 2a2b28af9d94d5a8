#!/usr/bin/env bash
# Installs what is missing, builds a release build, installs Norvelle into the user's program
# folder and starts it there.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}"

prefix="${NORVELLE_PREFIX:-$HOME/.local}"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVELLE_BUILD_TESTS=OFF >/dev/null
cmake --build build/release
# The install only adds and replaces the program's own files: the registered lists and
# copyright.dat written beside the program stay.
cmake --install build/release --prefix "$prefix" >/dev/null

program_dir="$prefix/lib/norvelle"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Norvelle is installed in $program_dir, but there is no display to show its window (DISPLAY is not set)." >&2
    exit 2
fi
# As the desktop menu entry starts it; the program works in its own folder.
exec "$prefix/bin/norvelle" "$@"
