#!/usr/bin/env bash
# Proves the Windows setup program under Wine in a fresh prefix: an upgrade over an older
# version that keeps the registered lists, the installed files, shortcut, file type and
# Settings → Apps entry, a .sft document opened through the file type as Explorer opens it;
# setup and the uninstaller refusing to touch the folder while its Norvelle runs (asking to
# close it, or exit code 2 when silent), but not for a Norvelle of another folder; the
# uninstall, and a .sft file type of another program left to it.
#
# Environment (tests/WineTests.cmake): NORVELLE_SETUP, NORVELLE_ARCHIVE, NORVELLE_PROGRAM_FOLDER
# (the staged folder both are made from), NORVELLE_VERSION, NORVELLE_SOURCE_DIR,
# NORVELLE_BUILD_DIR.
source_dir=$NORVELLE_SOURCE_DIR
export NORVELLE_BIN=$NORVELLE_PROGRAM_FOLDER
export WINEPREFIX=$NORVELLE_BUILD_DIR/setup/wine
[ -n "${NORVELLE_E2E_IN_X:-}" ] || { rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"; }
# From here on in an X server of its own (tests/e2e/lib.sh starts it and runs this script again).
source "$source_dir/tests/e2e/lib.sh"
# Setup's shortcut and file type stay inside the prefix: no menu entries or MIME types for
# this machine's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
echo "windows_setup: $(basename "$NORVELLE_SETUP") $(stat -c %s "$NORVELLE_SETUP") bytes (LZMA, solid)," \
     "$(basename "$NORVELLE_ARCHIVE") $(stat -c %s "$NORVELLE_ARCHIVE") bytes"

step "the archive, and an older version with a plugin this one no longer ships"
(mkdir -p "$WORK/zip" && cd "$WORK/zip" && cmake -E tar xf "$NORVELLE_ARCHIVE") || fail "cannot unpack the archive"
zip_root=$WORK/zip/$(basename "$NORVELLE_ARCHIVE" .zip)
cp -r "$NORVELLE_PROGRAM_FOLDER" "$WORK/older"
printf 'old\r\n' >"$WORK/older/旧版.spd"
older_setup=$WORK/norvelle-older-setup.exe
cmake -DSTAGE="$WORK/older" -DOUTFILE="$older_setup" -DVERSION=2.05 -DPUBLISHER=Norvelle \
    -DICON="$source_dir/src/ui/platform/icons/norvelle.ico" \
    -DNSI="$source_dir/packaging/windows/setup.nsi" -DFAST=ON \
    -P "$source_dir/cmake/WindowsSetupPack.cmake" >"$WORK/older.log" 2>&1 ||
    { cat "$WORK/older.log" >&2; fail "the older setup program was not packed"; }

step "a fresh Wine prefix"
wineboot --init >"$WORK/wineboot.log" 2>&1 || { cat "$WORK/wineboot.log"; fail "wineboot failed"; }
windows_folder() { winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')"; }
program=$(windows_folder LOCALAPPDATA)/Programs/Norvelle
shortcut="$(windows_folder APPDATA)/Microsoft/Windows/Start Menu/Programs/Norvelle.lnk"
program_win=$(winepath -w "$program")
classes='HKCU\Software\Classes'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Norvelle'

# reg_value KEY NAME: the data of a registry value ("" names the key's default value); fails
# when there is none. reg.exe writes in the ANSI code page, code page 932 in Japanese.
reg_value() {
    local out
    if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null); else out=$(wine reg query "$1" /v "$2" 2>/dev/null); fi ||
        return 1
    iconv -f CP932 -t UTF-8 <<<"$out" | tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    \(.*\)$/\1/p'
}
expect_reg() {
    local got
    got=$(reg_value "$1" "$2") || fail "$1 has no value '${2:-(default)}'"
    [ "$got" = "$3" ] || fail "$1 '${2:-(default)}' is '$got', not '$3'"
}
expect_no_key() { wine reg query "$1" >/dev/null 2>&1 && fail "$1 is still there"; return 0; }

run_setup() { wine "$1" /S || fail "$(basename "$1") /S ended with status $?"; }
# Uninstalls as Settings → Apps does; the uninstaller goes on from a copy of itself, so this
# waits for every program of the prefix to end.
run_uninstaller() {
    wine "$program/uninstall.exe" /S || fail "the uninstaller ended with status $?"
    timeout 60 wineserver -w || fail "the uninstaller did not end within 60 s"
}

# files_of DIR: the files under DIR, one relative path a line, sorted.
files_of() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# The registered lists a user has written, as the program writes them (code page 932, CR LF).
printf '%s\n' 'hanako@example.jp' 'sub@example.jp' >"$WORK/EMAIL.txt"
printf '%s\n' 'https://example.jp/' >"$WORK/HomePage.txt"
printf '%s\n' '登録ライブラリ.dll' 'ソフト表示.ocx' >"$WORK/Needfiles.txt"
printf '%s\n' '"山田 花子"' >"$WORK/copyright.txt"
user_files=(EMAIL.dat HomePage.dat Needfiles.dat copyright.dat)

step "the older version, and the user's registered lists in its folder"
run_setup "$older_setup"
[ -f "$program/旧版.spd" ] || fail "the older version is not installed in $program"
for name in "${user_files[@]}"; do
    to_cp932 "$WORK/${name%.dat}.txt" >"$WORK/$name"
    cp "$WORK/$name" "$program/$name"
done

step "setup over it"
run_setup "$NORVELLE_SETUP"
expected=$( (files_of "$zip_root"; printf '%s\n' uninstall.exe "${user_files[@]}") | LC_ALL=C sort)
actual=$(files_of "$program")
[ "$actual" = "$expected" ] ||
    fail "the program folder holds:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
while IFS= read -r file; do
    cmp -s "$zip_root/$file" "$program/$file" || fail "$file differs from the archive's"
done < <(files_of "$zip_root")
for name in "${user_files[@]}"; do
    cmp -s "$WORK/$name" "$program/$name" || fail "the upgrade changed $name"
done

step "the shortcut, the file type and the entry of Settings → Apps"
[ -f "$shortcut" ] || fail "no Start menu shortcut $shortcut"
# The shell link's target (its LinkInfo) and its working folder (its string data).
link=$(python3 - "$shortcut" <<'EOF'
import struct, sys
d = open(sys.argv[1], 'rb').read()
u32 = lambda o: struct.unpack_from('<I', d, o)[0]
u16 = lambda o: struct.unpack_from('<H', d, o)[0]
flags, pos = u32(20), 76
assert u32(0) == 0x4C and flags & 0x2, 'not a shell link to a file'
if flags & 0x1: pos += 2 + u16(pos)                           # the item list
print(d[pos + u32(pos + 16):].split(b'\0')[0].decode('cp932'))  # LinkInfo's local path
pos += u32(pos)
for bit in (0x4, 0x8, 0x10):                                  # name, relative path, working folder
    if flags & bit:
        n, width = u16(pos), 2 if flags & 0x80 else 1
        text = d[pos + 2:pos + 2 + n * width].decode('utf-16-le' if width == 2 else 'cp932')
        if bit == 0x10: print(text.rstrip('\0'))
        pos += 2 + n * width
EOF
) || fail "the shortcut cannot be read"
[ "$link" = "$program_win\\norvelle.exe"$'\n'"$program_win" ] ||
    fail "the shortcut starts '$(sed -n 1p <<<"$link")' in '$(sed -n 2p <<<"$link")'"
expect_reg "$classes\\.sft" "" Norvelle.sft
expect_reg "$classes\\.sft\\OpenWithProgids" Norvelle.sft ""
expect_reg "$classes\\Norvelle.sft" "" "Norvelle ソフトデータ"
expect_reg "$classes\\Norvelle.sft\\DefaultIcon" "" "\"$program_win\\norvelle.exe\",0"
expect_reg "$uninstall_key" DisplayName Norvelle
expect_reg "$uninstall_key" DisplayVersion "$NORVELLE_VERSION"
expect_reg "$uninstall_key" Publisher Norvelle
expect_reg "$uninstall_key" DisplayIcon "\"$program_win\\norvelle.exe\",0"
expect_reg "$uninstall_key" InstallLocation "$program_win"
expect_reg "$uninstall_key" UninstallString "\"$program_win\\uninstall.exe\""
kib=$(($(reg_value "$uninstall_key" EstimatedSize)))
zip_kib=$((($(find "$zip_root" -type f -printf '%s+') 0) / 1024))
[ "$kib" -ge "$zip_kib" ] && [ "$kib" -le $((zip_kib + 1)) ] ||
    fail "EstimatedSize is $kib KiB for $zip_kib KiB of files"

step "a .sft document double-clicked in a folder of its own"
expect_reg "$classes\\Norvelle.sft\\shell\\open\\command" "" "\"$program_win\\norvelle.exe\" \"%1\""
# Windows' shell reads the user's file types (HKCU\Software\Classes, where setup writes them)
# before the machine's; Wine's reads the machine's alone. The user's .sft type is copied there
# as setup wrote it, so that the shell, not the test, starts the program as Explorer does.
for key in .sft Norvelle.sft\\shell\\open\\command; do
    value=$(reg_value "$classes\\$key" "") || fail "setup wrote no $key"
    wine reg add "HKLM\\Software\\Classes\\$key" /ve /d "$value" /f >/dev/null || fail "reg add failed"
done
docs=$WORK/documents
mkdir -p "$docs"
# The fourteen fields, then the selected needed files: the first fixed entry and the two
# registered in the program folder's Needfiles.dat, which the program reads from its own folder
# although the shell starts it in the document's.
sft_record 'ソフト表' 'Ver 1.0' '山田 花子' 'Windows 95/98/Me' 'Windows 98で動作確認済み' '可' \
    'フリーウエア' '\' 'hanako@example.jp' 'http://' '' '' '' '' 0 5 6 >"$docs/ソフト.sft"
open_document "$docs/ソフト.sft"
MAIN=$(wait_window "${MAIN_TITLE}ソフト\\.sft\$")
save_software_data "$docs/copy.sft"
wait_title "$MAIN" ' - copy\.sft$'
expect_same_bytes "$docs/ソフト.sft" "$docs/copy.sft" "the document saved back"
file_menu 3 # 終了
wait_program_end
[ "$(files_of "$docs")" = $'copy.sft\nソフト.sft' ] || fail "the documents' folder holds $(files_of "$docs")"
for key in .sft Norvelle.sft; do wine reg delete "HKLM\\Software\\Classes\\$key" /f >/dev/null; done

# Every file of the program folder with its checksum.
folder_state() { (cd "$program" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum); }
# expect_refused STATUS WHAT: the run ended with exit code 2 and the folder is as it was.
expect_refused() {
    [ "$1" -eq 2 ] || fail "$2 ended with status $1, not 2"
    [ "$(folder_state)" = "$before" ] || fail "$2 changed the program folder"
}

step "the installed Norvelle runs: setup asks, setup /S and the uninstaller /S refuse"
launch_program "$program" "$program"
MAIN=$(wait_window "$MAIN_TITLE\(新規作成\)\$")
before=$(folder_state)
wine "$NORVELLE_SETUP" >"$WORK/setup.log" 2>&1 &
setup_pid=$!
box=$(wait_window "^Norvelle ${NORVELLE_VERSION//./\\.} セットアップ\$")
if [ -n "${NORVELLE_E2E_SCREENSHOTS:-}" ]; then
    mkdir -p "$NORVELLE_E2E_SCREENSHOTS"
    pointer_away
    capture_changed "$box" /dev/null "$NORVELLE_E2E_SCREENSHOTS/setup-6-running.png"
fi
focus "$box"
keys Escape # キャンセル
rc=0
wait "$setup_pid" || rc=$?
expect_refused "$rc" "setup, cancelled"
rc=0
wine "$NORVELLE_SETUP" /S || rc=$?
expect_refused "$rc" "setup /S"
# In place, as a newer setup runs it, so that its exit code is the uninstaller's own.
rc=0
wine "$program/uninstall.exe" /S "_?=$program_win" || rc=$?
expect_refused "$rc" "the uninstaller /S"
file_menu 3 # 終了
answer_message Norvelle n
wait_program_end

step "a Norvelle of the unpacked archive runs: setup goes ahead"
launch_program "$zip_root" "$zip_root"
MAIN=$(wait_window "$MAIN_TITLE\(新規作成\)\$")
run_setup "$NORVELLE_SETUP"
file_menu 3 # 終了
answer_message Norvelle n
wait_program_end

step "uninstall: the user's four files stay, nothing else"
run_uninstaller
[ "$(files_of "$program")" = "$(printf '%s\n' "${user_files[@]}" | LC_ALL=C sort)" ] ||
    fail "after uninstalling, the program folder holds: $(files_of "$program" | tr '\n' ' ')"
for name in "${user_files[@]}"; do
    cmp -s "$WORK/$name" "$program/$name" || fail "the uninstaller changed $name"
done
[ -e "$shortcut" ] && fail "the shortcut is still there"
expect_no_key "$classes\\Norvelle.sft"
expect_no_key "$classes\\.sft"
expect_no_key "$uninstall_key"

step "a .sft file type of another program is left to it"
wine reg add "$classes\\.sft" /ve /d Other.sft /f >/dev/null || fail "reg add failed"
wine reg add "$classes\\Other.sft\\shell\\open\\command" /ve /d 'notepad.exe "%1"' /f >/dev/null ||
    fail "reg add failed"
run_setup "$NORVELLE_SETUP"
expect_reg "$classes\\.sft" "" Other.sft
expect_reg "$classes\\.sft\\OpenWithProgids" Norvelle.sft ""
expect_reg "$classes\\Norvelle.sft\\shell\\open\\command" "" "\"$program_win\\norvelle.exe\" \"%1\""
run_uninstaller
expect_reg "$classes\\.sft" "" Other.sft
reg_value "$classes\\.sft\\OpenWithProgids" Norvelle.sft >/dev/null &&
    fail "Norvelle is still offered for .sft files"
expect_no_key "$classes\\Norvelle.sft"
expect_reg "$classes\\Other.sft\\shell\\open\\command" "" 'notepad.exe "%1"'

echo "windows_setup: passed"
