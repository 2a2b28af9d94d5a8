# Installs the Debian packages that are missing. Sourced by run.sh and test.sh.
# Usage: ensure_packages pkg...
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Missing packages: ${missing[*]}; install them as root (sudo is not available)." >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq || return 1
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}

# What building and running the program needs.
# xdg-utils: the help and link commands open files and addresses with xdg-open.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n
                libgl-dev fonts-ipafont-gothic xdg-utils)
# What the test suite needs on top.
TEST_PACKAGES=(googletest libgtest-dev libbenchmark-dev xvfb xauth x11-apps imagemagick
               clang libclang-rt-14-dev clang-tidy
               # the end-to-end tests: input, clipboard, window queries, the desktop entry
               xdotool xclip x11-utils libx11-dev desktop-file-utils libglib2.0-bin
               # what a screen reader reads, read the way a screen reader reads it (AT-SPI)
               dbus-daemon at-spi2-core gir1.2-atspi-2.0 python3-gi
               # the install test: manual pages, completion, file type, catalogue entry
               man-db groff-base bash-completion shared-mime-info libxml2-utils appstream
               # the Markdown plugin read as plain CommonMark and as code hosts read it
               cmark cmark-gfm)
# What the Windows build needs: the MinGW-w64 cross compiler (posix threads), Wine to run the
# programs and their tests, GoogleTest's source, which the cross build compiles for Windows
# (libgtest-dev is built for Linux), dpkg-dev to unpack Debian's Qt source for Qt's Windows
# build (scripts/qt-win64.sh), the locale definitions for Wine in Japanese, and NSIS, which
# makes the setup program (its 64-bit stubs and plugins are in nsis-common), and icoutils,
# whose wrestool reads the programs' manifests back.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 googletest dpkg-dev locales nsis
                  icoutils)

# Adds a deb-src entry beside each deb entry of the machine's APT sources, naming the same
# archives, so that `apt-get source` finds Debian's sources (the Windows build of Qt uses
# them). Written to one file of our own; the machine's own entries are left as they are.
add_deb_src_entries() {
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    local dir=/etc/apt/sources.list.d f
    local deb822=() oneline=()
    for f in "$dir"/*.sources; do
        [ -f "$f" ] || continue
        case $f in */norvelle-deb-src.sources) continue ;; esac
        # Stanzas with Types: deb become the same stanza with Types: deb-src.
        deb822+=("$(awk 'BEGIN{RS="";ORS="\n\n"} /Types:[^\n]*deb/ {
                             gsub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f")")
    done
    for f in /etc/apt/sources.list "$dir"/*.list; do
        [ -f "$f" ] || continue
        case $f in */norvelle-deb-src.list) continue ;; esac
        oneline+=("$(sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f")")
    done
    local stanzas lines
    stanzas=$(printf '%s\n' "${deb822[@]}" | sed '/^$/N;/^\n$/D')
    lines=$(printf '%s\n' "${oneline[@]}" | sed '/^$/d')
    if [ -n "$stanzas" ]; then
        printf '%s\n' "$stanzas" | "${sudo[@]}" tee "$dir/norvelle-deb-src.sources" >/dev/null
    fi
    if [ -n "$lines" ]; then
        printf '%s\n' "$lines" | "${sudo[@]}" tee "$dir/norvelle-deb-src.list" >/dev/null
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
}

# What code hosts' CI checks Markdown with: markdownlint-cli2 from the npm registry, at a version
# that runs on the Node.js of Debian 12 (18) and later, kept in the user's cache. The Markdown
# plugin's test reads its README.md with it.
MARKDOWNLINT_VERSION=0.17.2
markdownlint_bin() {
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/norvelle/markdownlint-cli2-$MARKDOWNLINT_VERSION/node_modules/.bin/markdownlint-cli2"
}
ensure_markdownlint() {
    local bin
    bin=$(markdownlint_bin)
    [ -x "$bin" ] && return 0
    command -v npm >/dev/null 2>&1 || ensure_packages nodejs npm || return 1
    echo "Installing: markdownlint-cli2 $MARKDOWNLINT_VERSION (npm)"
    npm install --prefix "${bin%/node_modules/.bin/*}" --no-audit --no-fund --silent \
        "markdownlint-cli2@$MARKDOWNLINT_VERSION" >/dev/null && [ -x "$bin" ]
}
