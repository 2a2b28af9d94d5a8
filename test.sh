#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: on Linux twice, a normal build
# and an AddressSanitizer + UndefinedBehaviorSanitizer build, then the fuzzers and clang-tidy;
# then the window and norvelle-cli built for Windows, under Wine. CTest runs every build's
# tests. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

# The Windows cross tools too: a machine that cannot install them fails here, loudly, rather
# than passing without the Windows build.
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" || exit 1
ensure_markdownlint || { echo "markdownlint-cli2 could not be installed from the npm registry"; exit 1; }

status=0
jobs=$(nproc)

# Only the file layer calls the system for files and standard streams (src/core/io/posix and
# src/core/io/win32 behind the headers of src/core/io): the core and the command line build for
# Windows too, and the windows leave the rest to Qt.
posix=$(grep -rnE '#include <(unistd|fcntl|pwd|grp|dirent|spawn|sys/[a-z]+)\.h>|(^|[^[:alnum:]_])::(stat|lstat|fstat|open|close|read|write|unlink|rename|access|isatty|fsync|getcwd|chdir)\(' src cli \
        | grep -v -e '^src/core/io/posix/' -e '^src/core/io/win32/' || true)
if [ -n "$posix" ]; then
    echo "System calls outside the file layer:"; echo "$posix"; status=1
fi

# The folders are the libraries: the core is plain C++ (no Qt, nothing of the windows), and the
# command line links the core alone.
qt_in_core=$(grep -rnE '#include <Q[A-Za-z]*>|#include <Qt[A-Za-z]*/|#include "ui/' src/core || true)
if [ -n "$qt_in_core" ]; then
    echo "Qt or window headers in the core:"; echo "$qt_in_core"; status=1
fi
ui_in_cli=$(grep -rnE '#include <Q[A-Za-z]*>|#include <Qt[A-Za-z]*/|#include "ui/' cli || true)
if [ -n "$ui_in_cli" ]; then
    echo "Qt or window headers in the command line:"; echo "$ui_in_cli"; status=1
fi

# Only the Qt platform class may open dialogs or reach the desktop directly: every other path
# goes through Platform, so that tests can answer it.
direct=$(grep -rnE 'QMessageBox::|QInputDialog::|QFileDialog::|QDesktopServices::|QSettings[ (]|\bexec\(\)' src \
         | grep -v -e '^src/ui/platform/QtPlatform' -e '^src/ui/platform/[a-z0-9]*/QtPlatform' -e '^src/main.cpp' || true)
if [ -n "$direct" ]; then
    echo "Dialog or desktop calls outside QtPlatform:"; echo "$direct"; status=1
fi

# The main window alone touches its controls: commands and dialogs get Platform&, AppState&,
# a parent and plain data, and hand plain data back.
reach=$(grep -rl '#include "ui/app/Form1.h"' src | grep -v -e '^src/ui/app/' -e '^src/main.cpp$' || true)
if [ -n "$reach" ]; then
    echo "Files outside src/ui/app that reach into the main window:"; echo "$reach"; status=1
fi

build_and_test() {
    local dir=$1; shift
    echo "=== $dir"
    cmake -S . -B "$dir" -G Ninja -DNORVELLE_WERROR=ON "$@" >/dev/null || return 1
    cmake --build "$dir" -j "$jobs" || return 1
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300 -LE e2e) || return 1
    # The built program in a real X server, driven from the outside; each scenario starts its
    # own Xvfb (xvfb-run), so they run one after another.
    (cd "$dir" && ctest --output-on-failure -L e2e) || return 1
}

build_and_test build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVELLE_BUILD_BENCH=ON || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build_and_test build/asan -DCMAKE_BUILD_TYPE=Debug -DNORVELLE_SANITIZE=ON || status=1

# Fuzzing: every reader of files that others may send, for a bounded time each, under
# AddressSanitizer and UndefinedBehaviorSanitizer, as many at once as there are cores. Any
# finding fails the run.
fuzz_one() {
    local target=$1 name=${1##*/fuzz_}
    local work=build/fuzz/work/$name
    mkdir -p "$work" build/fuzz/artifacts
    if "$target" -max_total_time="${NORVELLE_FUZZ_SECONDS:-20}" -timeout=10 -rss_limit_mb=2048 \
           -max_len=65536 -artifact_prefix=build/fuzz/artifacts/"$name"- \
           "$work" "fuzz/corpus/$name" >"build/fuzz/$name.log" 2>&1; then
        echo "fuzz $name: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "build/fuzz/$name.log")"
    else
        # One write, so that the report of a fuzzer running beside it cannot split it.
        printf 'fuzz %s: FINDING\n%s\n' "$name" "$(tail -n 40 "build/fuzz/$name.log")"; return 1
    fi
}
export -f fuzz_one
fuzz_all() {
    echo "=== build/fuzz"
    CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DNORVELLE_FUZZ=ON -DNORVELLE_BUILD_TESTS=OFF -DNORVELLE_WERROR=ON >/dev/null || return 1
    cmake --build build/fuzz -j "$jobs" --target fuzzers || return 1
    find build/fuzz/fuzz -maxdepth 1 -name 'fuzz_*' -type f -executable -print0 | sort -z |
        xargs -0 -n 1 -P "$jobs" bash -c 'fuzz_one "$0"'
}
fuzz_all || status=1

# Static checks over the program's sources and the command-line tool, with the checks
# .clang-tidy names, against the normal build's compile commands. Any warning fails the run.
tidy_all() {
    echo "=== clang-tidy"
    local files log=build/test/clang-tidy.log
    mapfile -t files < <(find src cli -name '*.cpp' | sort)
    if run-clang-tidy -p build/test -quiet -j "$jobs" "${files[@]/#/$PWD/}" >"$log" 2>&1; then
        echo "clang-tidy: ${#files[@]} files clean"
    else
        echo "clang-tidy: FINDINGS"; grep -E -A3 '(warning|error):' "$log" | head -n 80; return 1
    fi
}
tidy_all || status=1

# The window and norvelle-cli for Windows: Qt built for Windows from Debian's source (once a
# machine, scripts/qt-win64.sh), everything cross-built with MinGW-w64 and tested under Wine by
# CTest (tests/WineTests.cmake): the core's and the windows' tests, the same bytes as the Linux
# norvelle-cli of build/test, the release archive and the setup program, and the program
# driven from outside in an X server of its own, as the Linux one is.
windows_all() {
    local qt
    qt=$(scripts/qt-win64.sh | tail -n 1) && [ -f "$qt/.complete" ] ||
        { echo "Qt for Windows could not be built: the window cannot be tested on Windows"; return 1; }
    build_and_test build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DNORVELLE_QT_WIN64="$qt" -DNORVELLE_LINUX_BUILD="$PWD/build/test" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
}
windows_all || status=1

if [ $status -eq 0 ]; then echo "All test suites passed."; else echo "Some tests FAILED."; fi
exit $status
