#!/usr/bin/env bash
# Builds Qt 6 for 64-bit Windows from Debian's own qt6-base source, with the MinGW-w64 cross
# compiler and Debian's Linux Qt as the host tools, and installs it into a cache outside the
# source tree. No Qt for MinGW is packaged, and nothing may be fetched but packages.
#
# Prints the cached Qt's prefix on its last line. A cache that is complete (it has the
# marker file written after a successful install) is used as it is; a machine builds it once.
#
# Usage: scripts/qt-win64.sh            build if needed, print the prefix
#        NORVELLE_QT_CACHE=DIR ...      keep the cache somewhere else (default ~/.cache/norvelle)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/deps.sh"

log() { echo "qt-win64: $*" >&2; }

# The Linux Qt is both the version to build and the host tools (moc, rcc, uic) of the build.
ensure_packages qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix dpkg-dev perl \
    ninja-build cmake >&2
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)   # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}; upstream=${upstream%%-*}

# Only what the window needs. OpenGL stays on: in this Qt the windows platform plugin does not
# compile with OpenGL off while dynamic GL stays on. Debian's source leaves out the tablet
# header, so tablet events are off.
options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_jpeg=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
)
# One fix to Debian's source, for a combination that 6.4.2 does not build: the windows platform
# plugin offers the DirectWrite font database (which it uses only when asked) whenever
# DirectWrite 3 is there, but the library builds that database only together with Direct2D,
# which the window does not need.
fix_source() {
    local file=$1/src/plugins/platforms/windows/qwindowsintegration.cpp
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' "$file"
    grep -q '^#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)$' "$file" ||
        { log "the source is not what the fix expects: $file"; exit 1; }
}
fixes=directwrite3-needs-direct2d

# The project's own toolchain file builds Qt too, so that Qt and the program agree on the
# compiler and the host tools.
toolchain=$here/../cmake/mingw-w64-x86_64.cmake
# What the toolchain file says (its settings, not its comments) and which compiler and Windows
# headers it finds: a new MinGW-w64 package must not reuse a Qt built by the old one.
compiler_identity() {
    local probe cxx
    probe=$(mktemp)
    printf 'include("%s")\nmessage("${CMAKE_CXX_COMPILER}")\n' "$toolchain" >"$probe"
    cxx=$(cmake -P "$probe" 2>&1); rm -f "$probe"
    cxx=$(readlink -f "$(command -v "$cxx")") || { log "no compiler: $cxx"; exit 1; }
    grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$toolchain"
    "$cxx" --version | head -n 1
    # The packages that hold the compiler and the Windows headers and libraries, with versions.
    dpkg-query -W -f='${Package} ${Version}\n' \
        $(dpkg -S "$cxx" "$(readlink -f "$("$cxx" -print-file-name=libkernel32.a)")" |
              cut -d: -f1 | sort -u)
}
compiler=$(compiler_identity)
key=$(printf '%s\n' "$version" "${options[@]}" "$fixes" "$compiler" | sha256sum | cut -c1-12)
# The build tree is kept apart from the fixes: a new fix rebuilds only what it touches.
work_key=$(printf '%s\n' "$version" "${options[@]}" "$compiler" | sha256sum | cut -c1-12)
cache=${NORVELLE_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/norvelle}
prefix=$cache/qt-$upstream-win64-$key
marker=$prefix/.complete

if [ -f "$marker" ]; then
    echo "$prefix"
    exit 0
fi

work=$cache/work-$upstream-win64-$work_key
mkdir -p "$work"
# One build at a time: a second caller waits for the first and then finds the cache.
exec 9>"$cache/.lock-$key"
flock 9
if [ -f "$marker" ]; then
    echo "$prefix"
    exit 0
fi
log "building Qt $upstream for Windows into $prefix (about 25 minutes on two cores)"

# Debian's source of the very version installed. apt needs a deb-src entry for that: one is
# added beside each deb entry the machine already has, naming the same archive.
src=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$upstream*" | head -n 1)
if [ -z "$src" ]; then
    if ! (cd "$work" && apt-get source --only-source --download-only "qt6-base=$version" \
              >/dev/null 2>&1); then
        log "adding deb-src entries for the machine's Debian archive"
        add_deb_src_entries
        (cd "$work" && apt-get source --only-source --download-only "qt6-base=$version" >&2)
    fi
    (cd "$work" && dpkg-source --no-check -x qt6-base_*.dsc >&2)
    src=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$upstream*" | head -n 1)
fi
[ -n "$src" ] || { log "no qt6-base source in $work"; exit 1; }
fix_source "$src"


# An interrupted build goes on where it stopped.
started=$(date +%s)
cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$work/configure.log" 2>&1 || {
    tail -n 60 "$work/configure.log" >&2; log "configure failed (log: $work/configure.log)"
    exit 1
}
cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 || {
    grep -m 20 -B2 -A10 -E 'error|FAILED' "$work/build.log" >&2
    log "build failed (log: $work/build.log)"; exit 1
}
rm -rf "$prefix"
cmake --install "$work/build" >"$work/install.log" 2>&1 || {
    tail -n 30 "$work/install.log" >&2; log "install failed"; exit 1
}
touch "$marker"
# The build tree and the source are not needed any more: the prefix is the cache.
rm -rf "$work"
log "built in $(( ($(date +%s) - started) / 60 )) min; $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix"
