# Shared helpers of the end-to-end tests. They drive the built program in a real X server
# (Xvfb) from the outside, as a user at the desktop would: xdotool for the keyboard and the
# mouse, xclip for the clipboard, ImageMagick's import for screenshots. Nothing in the program
# knows it is being tested.
#
# Each scenario sources this file first. Environment (set where CTest registers the scenarios):
#   NORVELLE_BIN            the built program
#   NORVELLE_VERSION        its version, as project() in CMakeLists.txt gives it
#   NORVELLE_E2E_CLOSE      the helper that asks a window to close (close_window.cpp)
#   NORVELLE_SOURCE_DIR     the source tree (the shipped plugins come from there)
#   NORVELLE_BUILD_DIR      the build folder (under Wine, the Japanese locale is made there)
#   NORVELLE_E2E_SCREENSHOTS  optional: a folder that receives the screenshots of the main road
#   NORVELLE_E2E_WAIT       optional: seconds one wait may take (default 20)
#   NORVELLE_E2E_LIMIT      optional: seconds a whole scenario may take (default 180)
#   NORVELLE_E2E_WINE       optional: 1 runs the Windows program under Wine; NORVELLE_BIN is then
#                           its program folder, WINEPREFIX a prefix of the test's own, and
#                           Wine speaks Japanese (ja_JP.UTF-8, made if the system lacks it)
#
# Synchronisation never sleeps for a fixed time: the helpers wait for windows by their title,
# for files and for the clipboard by polling, each wait bounded.

set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_NAME=$(basename "$0" .sh)

# Every scenario gets an X server of its own and a bound on its whole run.
if [ -z "${NORVELLE_E2E_IN_X:-}" ]; then
    tools=(xvfb-run xauth xdotool xclip xwininfo xprop import convert iconv)
    [ -n "${NORVELLE_E2E_WINE:-}" ] && tools+=(wine wineserver winepath)
    for tool in "${tools[@]}"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "e2e: $tool is missing; scripts/deps.sh lists the test packages" >&2
            exit 1
        fi
    done
    # Wine in Japanese, as a Japanese Windows, whose own dialogs then speak Japanese.
    if [ -n "${NORVELLE_E2E_WINE:-}" ] &&
        [ "$(LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null)" != UTF-8 ]; then
        export LOCPATH=${NORVELLE_BUILD_DIR:?the build folder}/locale
        if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
            mkdir -p "$LOCPATH"
            localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" ||
                { echo "e2e: cannot make the ja_JP.UTF-8 locale" >&2; exit 1; }
        fi
    fi
    limit=${NORVELLE_E2E_LIMIT:-180}
    rc=0
    # -noreset: a scenario starts the program more than once, and an X server that resets
    # when its last client leaves refuses the next one for a moment.
    NORVELLE_E2E_IN_X=1 timeout -k 5 "$limit" \
        xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$0" "$@" || rc=$?
    [ "$rc" -eq 124 ] && echo "e2e: $E2E_NAME took longer than ${limit}s" >&2
    exit "$rc"
fi

: "${NORVELLE_BIN:?the built program}"
: "${NORVELLE_VERSION:?the version of the program}"
: "${NORVELLE_SOURCE_DIR:?the source tree}"
E2E_WAIT=${NORVELLE_E2E_WAIT:-20}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/norvelle-e2e-$E2E_NAME.XXXXXX")
E2E_ARTIFACTS=${NORVELLE_E2E_ARTIFACTS:-$PWD}

# A home, settings and runtime folder of the test's own: the file dialog remembers folders,
# and nothing here may touch the settings of the person running the tests.
export HOME=$WORK/home
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
WINE=${NORVELLE_E2E_WINE:-}
if [ -n "$WINE" ]; then
    : "${WINEPREFIX:?a Wine prefix for the tests}"
    # Wine in Japanese, as a Japanese Windows: its own dialogs speak Japanese.
    export LC_ALL=ja_JP.UTF-8 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
    [ "$(locale charmap 2>/dev/null)" = UTF-8 ] || { echo "e2e: no ja_JP.UTF-8 locale" >&2; exit 1; }
    unset QT_QPA_PLATFORM
    # A Wine server of this X server's own.
    wineserver -k 2>/dev/null || true
fi
unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS QT_STYLE_OVERRIDE QT_SCALE_FACTOR
# A sanitizer build: what the system's D-Bus library keeps for the whole run is not ours.
export LSAN_OPTIONS="suppressions=$E2E_DIR/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

APP_PID=
E2E_PIDS=()

e2e_cleanup() {
    local rc=$? pid
    if [ "$rc" -ne 0 ]; then
        mkdir -p "$E2E_ARTIFACTS"
        # Each with a time limit: a program that holds the X server (Wine with a dialog up can)
        # would otherwise keep the report, and the run, waiting until the test's own timeout.
        timeout 10 import -window root "$E2E_ARTIFACTS/$E2E_NAME-failure.png" 2>/dev/null || true
        echo "--- shown windows:" >&2
        for pid in $(timeout 5 xdotool search --onlyvisible --name '' 2>/dev/null); do
            timeout 5 xwininfo -id "$pid" 2>/dev/null | grep -q 'Override Redirect State: no' &&
                echo "  '$(timeout 5 xdotool getwindowname "$pid")'" >&2
        done
        if [ -s "$WORK/program.log" ]; then
            echo "--- program output" >&2
            tail -n 40 "$WORK/program.log" >&2
        fi
        echo "e2e: $E2E_NAME failed; screen in $E2E_ARTIFACTS/$E2E_NAME-failure.png," \
             "files in $WORK" >&2
    fi
    for pid in ${APP_PID:+"$APP_PID"} "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    # Wine's processes end with its server; a program of it may outlive the signal.
    [ -n "$WINE" ] && { wineserver -k 2>/dev/null || true; }
    for pid in ${APP_PID:+"$APP_PID"} "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    [ "$rc" -eq 0 ] && rm -rf "$WORK"
    exit "$rc"
}
trap e2e_cleanup EXIT
trap 'exit 143' TERM INT

fail() {
    echo "e2e FAIL ($E2E_NAME): $*" >&2
    exit 1
}

step() { echo "-- $*"; }

# ---------------------------------------------------------------------------------------------
# The program folder and the program

# UTF-8 text with LF line ends -> code page 932 with CR LF, as every file of the program is.
to_cp932() { sed 's/$/\r/' "$1" | iconv -f UTF-8 -t CP932; }

# A fresh program folder: the program, the test's own plugin かんたん.spd (from
# sample-plugin.txt) and the shipped 標準.spd. Prints its path. Under Wine the program is the
# unpacked Windows folder, without its plugins.
make_program_folder() {
    local dir=$WORK/program
    mkdir -p "$dir"
    if [ -n "$WINE" ]; then
        cp -r "$NORVELLE_BIN"/. "$dir/"
        rm -f "$dir"/*.spd
    else
        cp "$NORVELLE_BIN" "$dir/norvelle"
    fi
    to_cp932 "$E2E_DIR/sample-plugin.txt" >"$dir/かんたん.spd"
    cp "$NORVELLE_SOURCE_DIR/plugins/標準.spd" "$dir/"
    echo "$dir"
}

# The main window's caption before " - " and the document's name.
TITLE_PREFIX="Norvelle  Ver $NORVELLE_VERSION"
MAIN_TITLE="^${TITLE_PREFIX//./\\.} - "

# Starts the program in its own folder and waits for the main window; MAIN is its window id.
start_program() {
    launch_program "$1" "$1"
    MAIN=$(wait_window "$MAIN_TITLE\(新規作成\)$")
}

# launch_program PROGRAM_FOLDER WORKING_FOLDER ARG...: the program of PROGRAM_FOLDER started in
# WORKING_FOLDER with the arguments, as a file manager starts it; APP_PID is its process.
launch_program() {
    local program=$1 dir=$2
    shift 2
    if [ -n "$WINE" ]; then
        (cd "$dir" && exec wine "$program/norvelle.exe" "$@") >"$WORK/program.log" 2>&1 &
    else
        (cd "$dir" && exec "$program/norvelle" "$@") >"$WORK/program.log" 2>&1 &
    fi
    APP_PID=$!
}

# Opens a document as a double click in the desktop's file manager does: through its file type,
# the program started in the document's folder. Under Wine the shell does it (`start`), and
# APP_PID follows the program until it ends.
open_document() {
    local dir file
    dir=$(dirname "$1")
    file=$(basename "$1")
    if [ -n "$WINE" ]; then
        (cd "$dir" && exec wine start /wait "$file") >"$WORK/program.log" 2>&1 &
        APP_PID=$!
    else
        (cd "$dir" && gio open "$file") || fail "the desktop cannot open $file"
    fi
}

program_running() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }

# Waits for the program to end by itself and checks that it ended without an error.
wait_program_end() {
    local deadline=$((SECONDS + E2E_WAIT)) rc=0
    while program_running; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the program did not end within ${E2E_WAIT}s"
        sleep 0.05
    done
    wait "$APP_PID" || rc=$?
    APP_PID=
    [ "$rc" -eq 0 ] || fail "the program ended with status $rc"
}

# ---------------------------------------------------------------------------------------------
# Windows

# A window of the program's own, not a drop-down or a completion list (those bypass the
# window manager and may carry the application's name as their title).
# xwininfo without an id waits for a click on a window: no id is no window.
is_top_level() {
    [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: no'
}

is_shown() {
    [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# Waits for a shown top-level window whose title matches the regular expression; prints its
# id.
wait_window() {
    local pattern=$1 deadline=$((SECONDS + E2E_WAIT)) id
    while :; do
        for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true); do
            if is_top_level "$id"; then
                echo "$id"
                return 0
            fi
        done
        [ "$SECONDS" -lt "$deadline" ] || fail "no window titled /$pattern/ within ${E2E_WAIT}s"
        sleep 0.05
    done
}

# Waits until the window has closed.
wait_gone() {
    local id=$1 deadline=$((SECONDS + E2E_WAIT))
    while is_shown "$id"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "window $id ($2) still open after ${E2E_WAIT}s"
        sleep 0.05
    done
}

# No window titled so is open.
expect_no_window() {
    local id
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
        is_top_level "$id" && fail "unexpected window /$1/ ($2)"
    done
    return 0
}

title_of() { xdotool getwindowname "$1"; }

# Waits until the window's title matches, e.g. after a save has named the document.
wait_title() {
    local id=$1 pattern=$2 deadline=$((SECONDS + E2E_WAIT))
    until title_of "$id" | grep -qE "$pattern"; do
        [ "$SECONDS" -lt "$deadline" ] ||
            fail "title '$(title_of "$id")' does not match /$pattern/ after ${E2E_WAIT}s"
        sleep 0.05
    done
}

# Gives the window the keyboard. No window manager runs, so the test hands out the focus
# itself, before every input to a window.
focus() { timeout 5 xdotool windowfocus --sync "$1" || fail "cannot focus window $1"; }

# Asks the window to close, as its close box does.
close_request() {
    "${NORVELLE_E2E_CLOSE:?the close-request helper}" "$1" || fail "close request to window $1 failed"
}

# ---------------------------------------------------------------------------------------------
# Input. The tests reach a window's controls by keyboard, as a keyboard user does, never by
# where the layout happens to put them.

# Moves the pointer to a point of the screen. (xdotool's --sync waits for a motion, and
# there is none when the pointer is there already.)
move_pointer() {
    local X Y SCREEN WINDOW
    eval "$(xdotool getmouselocation --shell)"
    [ "$X" -eq "$1" ] && [ "$Y" -eq "$2" ] && return 0
    xdotool mousemove --sync "$1" "$2"
}

# click WINDOW CLIENT_HEIGHT_TWIPS X_TWIPS Y_TWIPS: a click at a point of the window's client
# area, in the twips of its fixed layout (15 a pixel at 96 dpi), for the one control no key
# reaches on Windows.
click() {
    local id=$1 client_height=$2 WIDTH HEIGHT X Y SCREEN WINDOW
    px() { echo $(((($1) * 2 + 15) / 30)); }
    eval "$(xdotool getwindowgeometry --shell "$id")"
    move_pointer $((X + $(px "$3"))) $((Y + HEIGHT - $(px "$client_height") + $(px "$4")))
    xdotool click 1
}

keys() { xdotool key --delay 30 "$@"; }

type_text() { xdotool type --delay 15 -- "$1"; }

# Moves the pointer off every window, so that no hover highlight shows in a screenshot.
pointer_away() { move_pointer 1270 1010; }

# ---------------------------------------------------------------------------------------------
# Clipboard

clipboard_text() {
    timeout 5 xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null
}

# Waits until the clipboard holds exactly the bytes of FILE.
wait_clipboard() {
    local expected=$1 deadline=$((SECONDS + E2E_WAIT))
    until clipboard_text >"$WORK/clipboard" && cmp -s "$expected" "$WORK/clipboard"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "clipboard holds:" >&2
            od -c "$WORK/clipboard" | head -n 20 >&2
            fail "the clipboard does not hold the expected text after ${E2E_WAIT}s"
        fi
        sleep 0.05
    done
}

# Puts text on the clipboard from outside the program, then pastes it into the field that
# has the focus. This is how Japanese text gets into a field without an input method.
paste_text() {
    printf '%s' "$1" >"$WORK/offer"
    xclip -selection clipboard -t UTF8_STRING -quiet -i "$WORK/offer" >/dev/null 2>&1 &
    E2E_PIDS+=($!)
    wait_clipboard "$WORK/offer"
    keys ctrl+v
}

# ---------------------------------------------------------------------------------------------
# Files

wait_file() {
    local deadline=$((SECONDS + E2E_WAIT))
    until [ -e "$1" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$1 did not appear within ${E2E_WAIT}s"
        sleep 0.05
    done
}

# expect_same_bytes EXPECTED ACTUAL WHAT: both in code page 932; a difference is shown as
# UTF-8 lines with every CR made visible as <CR>.
expect_same_bytes() {
    if ! cmp -s "$1" "$2"; then
        diff -u --label expected --label got <(iconv -f CP932 -t UTF-8 "$1" | sed 's/\r/<CR>/g') \
            <(iconv -f CP932 -t UTF-8 "$2" | sed 's/\r/<CR>/g') >&2 || true
        fail "$3 differs from what was expected"
    fi
}

# A path as the program's file dialog takes it: under Wine, the Windows name of the file.
dialog_path() {
    if [ -n "$WINE" ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi
}

# Types a path into the name field of the open file dialog DIALOG and accepts it.
enter_file_name() {
    local dialog=$1 path
    path=$(dialog_path "$2")
    focus "$dialog"
    # Select the proposed name: Windows' name field takes no Ctrl+A.
    if [ -n "$WINE" ]; then keys Home shift+End; else keys ctrl+a; fi
    type_text "$path"
    keys Return
    wait_gone "$dialog" "file dialog"
}

# Waits for the file dialog titled so and answers it with a path.
answer_file_dialog() {
    # Assigned first: a wait that fails inside an argument's $(...) would not end the test,
    # which would go on with no window at all.
    local dialog
    dialog=$(wait_window "^$1\$")
    enter_file_name "$dialog" "$2"
}

# Saves the software data under a path through ソフトデータのセーブ and its file dialog.
save_software_data() {
    file_menu 2 # ソフトデータのセーブ
    answer_file_dialog '名前を付けて保存' "$1"
}

# sft_record FIELD1 ... FIELD14 [POSITION...]: a software data file as this version writes it,
# the fourteen fields in file order, then the positions of the selected needed files; code page
# 932, CR LF.
sft_record() {
    local n=0 item
    {
        printf '"%s"\r\n' "Norvelle Ver $NORVELLE_VERSION"
        for item in "$@"; do
            if ((n++ < 14)); then printf '"%s"\r\n' "$item"; else printf '%s\r\n' "$item"; fi
        done
    } | iconv -f UTF-8 -t CP932
}

# Answers the message box titled so with a key: y (はい), n (いいえ), Escape (キャンセル) or
# Return (the default button).
answer_message() {
    local title=$1 key=$2 box
    box=$(wait_window "^$title\$")
    focus "$box"
    keys "$key"
    wait_gone "$box" "message box"
}

# ---------------------------------------------------------------------------------------------
# Menus. The menu bar has no access keys; Alt puts it in keyboard mode on its first menu.

# file_menu N: the N-th command of ﾌｧｲﾙ (0 新規作成, 1 ロード, 2 セーブ, 3 終了).
file_menu() {
    local downs=()
    for ((i = 0; i < $1; i++)); do downs+=(Down); done
    focus "$MAIN"
    keys alt Return "${downs[@]}" Return
}

# 作成, the second entry of the menu bar.
create_menu() {
    focus "$MAIN"
    keys alt Right Return
}

# ---------------------------------------------------------------------------------------------
# Accessibility: what a screen reader finds, read through AT-SPI as a screen reader reads it.

# A session bus of the scenario's own, on which the desktop's accessibility bus starts when
# asked; programs started afterwards offer their windows there. Call before start_program.
start_accessibility_bus() {
    local out
    for tool in dbus-daemon /usr/libexec/at-spi-bus-launcher; do
        command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing; scripts/deps.sh lists it"
    done
    /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
        fail "Python's AT-SPI binding is missing; scripts/deps.sh lists it"
    out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) ||
        fail "cannot start a session bus"
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$out")
    export DBUS_SESSION_BUS_ADDRESS
    E2E_PIDS+=("$(sed -n 2p <<<"$out")")
    # Qt offers its windows on the accessibility bus only when a screen reader is known to
    # run; this says one does.
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# accessible_texts TITLE: every object of the program's window titled so, one a line as
# "ROLE: NAME", indented by depth.
accessible_texts() { /usr/bin/python3 "$E2E_DIR/accessible_texts.py" "$1"; }

# ---------------------------------------------------------------------------------------------
# Screenshots

snapshot() { import -window "$1" "ppm:$2"; }

# Waits until the window shows something other than BEFORE (a snapshot) and has stopped
# changing, then saves it as a PNG without time stamps.
capture_changed() {
    local id=$1 before=$2 out=$3 deadline=$((SECONDS + E2E_WAIT))
    local prev=$WORK/shot-prev.ppm cur=$WORK/shot-cur.ppm
    snapshot "$id" "$prev"
    while :; do
        snapshot "$id" "$cur"
        if ! cmp -s "$cur" "$before" && cmp -s "$cur" "$prev"; then
            convert "$cur" -strip "png:$out"
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "window $id did not settle for a screenshot"
        mv "$cur" "$prev"
        sleep 0.05
    done
}
