#!/usr/bin/env bash
# The Windows program's start-up under Wine: start to main window mapped, against a bare Qt
# window built with the same Qt for Windows, in alternating pairs (bench/PairedRuns.cpp), as
# bench/speed.sh measures the Linux program. Both run from one copy of the unpacked program
# folder, with one Wine server kept running, so each start is the program's own.
#
#   bench/wine-speed.sh              # Release trees in build/bench-release and build/bench-win64
#   PAIRS=20 bench/wine-speed.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
pairs=${PAIRS:-10}
linux=${BUILD:-$root/build/bench-release}
win=${WIN_BUILD:-$root/build/bench-win64}

qt=$("$root/scripts/qt-win64.sh" | tail -n 1)
cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVELLE_BUILD_TESTS=OFF \
    -DNORVELLE_BUILD_BENCH=ON >/dev/null
cmake --build "$linux" --target norvelle_paired_runs >/dev/null
cmake -S "$root" -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DNORVELLE_QT_WIN64="$qt" -DCMAKE_BUILD_TYPE=Release -DNORVELLE_BUILD_TESTS=OFF \
    -DNORVELLE_BUILD_BENCH=ON >/dev/null
cmake --build "$win" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/norvelle-wine-speed.XXXXXX")
trap 'wineserver -k 2>/dev/null; rm -rf "$work"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT
cmake --install "$win" --prefix "$work/program" --strip >/dev/null
cp "$win/bench/norvelle_bare_window.exe" "$work/program/"

export WINEPREFIX="$win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
export DISPLAY=:$((90 + RANDOM % 9))
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
[ -f "$WINEPREFIX/system.reg" ] || wineboot --init >/dev/null 2>&1
wineserver --persistent
# One start of each first, so neither pays for Wine's first look at the fonts and DLLs.
cd "$work/program"
for exe in norvelle.exe norvelle_bare_window.exe; do
    "$linux/bench/norvelle_paired_runs" --pairs 1 --mapped -- wine "$exe" -- wine "$exe" >/dev/null
done
echo "== Windows: start to main window mapped under Wine, against a bare Qt window"
"$linux/bench/norvelle_paired_runs" --pairs "$pairs" --mapped -- wine norvelle.exe -- \
    wine norvelle_bare_window.exe
