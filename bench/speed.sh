#!/usr/bin/env bash
# The figures of the README's speed section, each measured against its reference in
# alternating pairs (bench/PairedRuns.cpp): start-up of the window with and without full
# registered lists against a bare Qt window, norvelle-cli's fixed cost against cat, and a
# 128 MiB render to a file and to standard output.
#
#   bench/speed.sh                    # builds a Release tree in build/bench-release
#   PAIRS=20 OLD_CLI=path/to/older/norvelle-cli bench/speed.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
pairs=${PAIRS:-10}
build=${BUILD:-$root/build/bench-release}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVELLE_BUILD_TESTS=OFF \
    -DNORVELLE_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target norvelle norvelle-cli norvelle_paired_runs norvelle_bare_window \
    >/dev/null
paired="$build/bench/norvelle_paired_runs --pairs $pairs"
# The command line's files on tmpfs where there is one, so the disk's flushes are not timed.
shm=/dev/shm; [ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
work=$(mktemp -d "$shm/norvelle-speed.XXXXXX")
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$work"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT

# The window: its own X server, a program folder without and one with full lists.
export DISPLAY=:$((90 + RANDOM % 9)) QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -p "$work/empty" "$work/full"
for list in EMAIL.dat HomePage.dat Needfiles.dat; do
    python3 - "$work/full/$list" <<'PY'
import sys
with open(sys.argv[1], "wb") as f:
    for i in range(10001):
        f.write(("entry-%05d@example.com\r\n" % i).encode("cp932"))
PY
done
# OLD_WINDOW and OLD_CLI, when set, are an older build measured in the same run.
windows=("$build/norvelle" ${OLD_WINDOW:+"$OLD_WINDOW"})
clis=("$build/cli/norvelle-cli" ${OLD_CLI:+"$OLD_CLI"})
# Each window runs from a copy in the program folder: it reads the lists of its own folder.
for window in "${windows[@]}"; do
    cp "$window" "$work/empty/norvelle"
    cp "$window" "$work/full/norvelle"
    echo "== start to main window mapped, no list files"
    (cd "$work/empty" && $paired --mapped -- ./norvelle -- "$build/bench/norvelle_bare_window")
    echo "== the same with three lists of 10,001 entries"
    (cd "$work/full" && $paired --mapped -- ./norvelle -- "$build/bench/norvelle_bare_window")
done

# The command line.
cli="$build/cli/norvelle-cli"
printf '"Norvelle Ver 2.06"\r\n"Sample"\r\n"Ver 1.0"\r\n' >"$work/form.sft"
for one in "${clis[@]}"; do
    echo "== norvelle-cli render of 標準.spd to a file, against cat of the plugin"
    $paired -- "$one" render --data "$work/form.sft" --plugin "$root/plugins/標準.spd" \
        --output "$work/Readme.txt" -- cat "$root/plugins/標準.spd"
done
echo "== render --output, 128 MiB plugin, against cat to the same file system"
env NORVELLE_CLI="$cli" ${OLD_CLI:+OLD="$OLD_CLI"} BENCH_DIR="$work/paired" PAIRS="$pairs" \
    "$here/cli/paired.sh" | tail -n 6
python3 "$here/cli/make_plugin.py" 128 "$work/big.spd" >/dev/null
for one in "${clis[@]}"; do
    echo "== render to standard output, 128 MiB, against render --output"
    $paired --stdout "$work/stdout.txt" -- "$one" render --data "$work/form.sft" \
        --plugin "$work/big.spd" -- "$one" render --data "$work/form.sft" \
        --plugin "$work/big.spd" --output "$work/big.txt"
done
"$cli" render --data "$work/form.sft" --plugin "$work/big.spd" >"$work/stdout.txt"
cmp "$work/stdout.txt" "$work/big.txt" && echo "standard output and --output: the same bytes"
