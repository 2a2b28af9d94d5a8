#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" || exit 1

status=0
jobs=$(nproc)

# Only the Qt platform class may open dialogs or reach the desktop directly: every other path
# goes through Platform, so that tests can answer it.
direct=$(grep -rnE 'QMessageBox::|QInputDialog::|QFileDialog::|QDesktopServices::|QSettings[ (]|\bexec\(\)' src \
         | grep -v -e 'src/platform/QtPlatform' -e 'src/main.cpp' || true)
if [ -n "$direct" ]; then
    echo "Dialog or desktop calls outside QtPlatform:"; echo "$direct"; status=1
fi

build_and_test() {
    local dir=$1; shift
    echo "=== $dir"
    cmake -S . -B "$dir" -G Ninja -DNORVELLE_WERROR=ON "$@" >/dev/null || return 1
    cmake --build "$dir" -j "$jobs" || return 1
    (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 300) || return 1
}

build_and_test build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVELLE_BUILD_BENCH=ON || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build_and_test build/asan -DCMAKE_BUILD_TYPE=Debug -DNORVELLE_SANITIZE=ON || status=1

if [ $status -eq 0 ]; then echo "All test suites passed."; else echo "Some tests FAILED."; fi
exit $status
