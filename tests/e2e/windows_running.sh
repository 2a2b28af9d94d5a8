#!/usr/bin/env bash
# Windows only: setup and the uninstaller leave the program folder alone while Norvelle runs
# from it. Interactive, setup asks to close Norvelle first (Cancel ends it); silent, both end
# with exit code 2; the folder stays byte for byte as it was. A Norvelle run from another
# folder (an unpacked archive) does not stand in their way, and once it is closed both work.
# Environment, besides lib.sh's: NORVELLE_SETUP, the setup program; NORVELLE_BIN is the
# program folder it installs. The scenario makes a Wine prefix of its own.
source "$(dirname "$0")/lib.sh"

[ -n "$WINE" ] || fail "setup is a Windows program: run under Wine"
: "${NORVELLE_SETUP:?the setup program}"

export WINEPREFIX=$WORK/wine WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
step "a fresh Wine prefix, Norvelle installed"
wineboot --init >"$WORK/wineboot.log" 2>&1 || { cat "$WORK/wineboot.log"; fail "wineboot failed"; }
program=$(winepath -u "$(wine cmd /c echo '%LOCALAPPDATA%' | tr -d '\r')")/Programs/Norvelle
wine "$NORVELLE_SETUP" /S || fail "setup /S ended with status $?"
[ -f "$program/norvelle.exe" ] || fail "setup installed nothing in $program"
# Setup's uninstaller, run as a newer setup runs it: in place, so that its exit code counts.
uninstall=("$program/uninstall.exe" /S "_?=$(winepath -w "$program")")

# Every file of the folder with its checksum.
folder_state() { (cd "$program" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum); }
# expect_refused STATUS WHAT: the run ended with exit code 2 and the folder is as it was.
expect_refused() {
    [ "$1" -eq 2 ] || fail "$2 ended with status $1, not 2"
    [ "$(folder_state)" = "$before" ] || fail "$2 changed the program folder"
}

step "the installed Norvelle runs: setup asks, then setup /S and the uninstaller /S refuse"
launch_program "$program" "$program"
MAIN=$(wait_window "$MAIN_TITLE\(新規作成\)\$")
before=$(folder_state)
wine "$NORVELLE_SETUP" >"$WORK/setup.log" 2>&1 &
setup_pid=$!
box=$(wait_window "^Norvelle ${NORVELLE_VERSION//./\\.} セットアップ\$")
if [ -n "${NORVELLE_E2E_SCREENSHOTS:-}" ]; then
    mkdir -p "$NORVELLE_E2E_SCREENSHOTS"
    pointer_away
    import -window "$box" "$WORK/question.png"
    convert "$WORK/question.png" -strip "png:$NORVELLE_E2E_SCREENSHOTS/setup-6-running.png"
fi
focus "$box"
keys Escape # キャンセル
rc=0
wait "$setup_pid" || rc=$?
expect_refused "$rc" "setup, cancelled"
rc=0
wine "$NORVELLE_SETUP" /S || rc=$?
expect_refused "$rc" "setup /S"
rc=0
wine "${uninstall[@]}" || rc=$?
expect_refused "$rc" "the uninstaller /S"

step "closed, and another Norvelle from an unpacked archive: both go ahead"
file_menu 3 # 終了
answer_message Norvelle n
wait_program_end
other=$WORK/unpacked
cp -r "$NORVELLE_BIN" "$other"
launch_program "$other" "$other"
MAIN=$(wait_window "$MAIN_TITLE\(新規作成\)\$")
wine "$NORVELLE_SETUP" /S || fail "setup /S ended with status $? beside another folder's Norvelle"
wine "${uninstall[@]}" || fail "the uninstaller ended with status $? beside another folder's Norvelle"
[ -e "$program/norvelle.exe" ] && fail "the uninstaller left norvelle.exe"
file_menu 3
answer_message Norvelle n
wait_program_end

echo "windows running: passed"
