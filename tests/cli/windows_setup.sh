#!/usr/bin/env bash
# Builds the Windows setup program (the norvelle_setup target) and proves it under Wine in a
# fresh prefix: an upgrade over an older version that keeps the registered lists, the installed
# files, shortcut, file type and Settings → Apps entry, a .sft document opened through the file
# type in its own folder, the uninstall, and a .sft file type of another program left to it.
#
# Usage: windows_setup.sh BUILD_DIR   (a configured cross build of the window)
set -uo pipefail

source_dir=$(realpath "$(dirname "$0")/../..")
if [ -z "${NORVELLE_E2E_IN_X:-}" ]; then
    build=$(realpath "$1")
    version=$(sed -n 's/^project(Norvelle VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
    setup=$build/norvelle-$version-setup.exe
    archive=$build/norvelle-$version-win64.zip
    work=$build/setup
    rm -f "$setup"
    cmake --build "$build" --target norvelle_setup >"$build/setup.log" 2>&1 ||
        { cat "$build/setup.log"; echo "windows_setup: the setup program was not built"; exit 1; }
    # The checksums a user compares before running either download.
    [ "$(cut -d' ' -f3 "$build/SHA256SUMS")" = "$(basename "$archive")"$'\n'"$(basename "$setup")" ] &&
        (cd "$build" && sha256sum --check --quiet --strict SHA256SUMS) ||
        { echo "windows_setup: SHA256SUMS does not vouch for both downloads"; exit 1; }
    rm -rf "$work/zip" "$work/older" "$work/wine"
    mkdir -p "$work/zip"
    (cd "$work/zip" && cmake -E tar xf "$archive") || exit 1

    # An older version: the same program folder with a plugin that this version no longer
    # ships, packed quickly.
    cp -r "$work/stage/norvelle-$version-win64" "$work/older"
    printf 'old\r\n' >"$work/older/旧版.spd"
    cmake -DSTAGE="$work/older" -DOUTFILE="$work/norvelle-older-setup.exe" -DVERSION=2.05 \
        -DPUBLISHER=Norvelle -DICON="$source_dir/src/platform/icons/norvelle.ico" \
        -DNSI="$source_dir/packaging/windows/setup.nsi" -DFAST=ON \
        -P "$source_dir/cmake/WindowsSetupPack.cmake" >"$work/older.log" 2>&1 ||
        { cat "$work/older.log"; exit 1; }

    # Wine in Japanese, as the end-to-end scenarios run it.
    if [ -z "${LOCPATH:-}" ]; then
        mkdir -p "$build/locale"
        [ -d "$build/locale/ja_JP.UTF-8" ] ||
            localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" ||
            { echo "windows_setup: cannot make the ja_JP.UTF-8 locale"; exit 1; }
        export LOCPATH=$build/locale
    fi
    export NORVELLE_E2E_WINE=1 WINEPREFIX=$work/wine SETUP=$setup ZIP_ROOT=$work/zip/norvelle-$version-win64
    export OLDER_SETUP=$work/norvelle-older-setup.exe NORVELLE_BIN=$work/older NORVELLE_VERSION=$version
    export NORVELLE_SOURCE_DIR=$source_dir NORVELLE_E2E_LIMIT=${NORVELLE_E2E_LIMIT:-300}
    export NORVELLE_E2E_ARTIFACTS=${NORVELLE_E2E_ARTIFACTS:-$work/artifacts}
    # No window is closed from outside here; the program is left through its menu.
    export NORVELLE_E2E_CLOSE=${NORVELLE_E2E_CLOSE:-/bin/false}
    echo "windows_setup: $(basename "$setup") $(stat -c %s "$setup") bytes (LZMA, solid)," \
         "$(basename "$archive") $(stat -c %s "$archive") bytes"
fi
# From here on in an X server of its own (tests/e2e/lib.sh starts it and runs this script again).
source "$source_dir/tests/e2e/lib.sh"
# Setup's shortcut and file type stay inside the prefix: no menu entries or MIME types for
# this machine's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

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
run_setup "$OLDER_SETUP"
[ -f "$program/旧版.spd" ] || fail "the older version is not installed in $program"
for name in "${user_files[@]}"; do
    to_cp932 "$WORK/${name%.dat}.txt" >"$WORK/$name"
    cp "$WORK/$name" "$program/$name"
done

step "setup over it"
run_setup "$SETUP"
expected=$( (files_of "$ZIP_ROOT"; printf '%s\n' uninstall.exe "${user_files[@]}") | LC_ALL=C sort)
actual=$(files_of "$program")
[ "$actual" = "$expected" ] ||
    fail "the program folder holds:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
while IFS= read -r file; do
    cmp -s "$ZIP_ROOT/$file" "$program/$file" || fail "$file differs from the archive's"
done < <(files_of "$ZIP_ROOT")
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
zip_kib=$((($(find "$ZIP_ROOT" -type f -printf '%s+') 0) / 1024))
[ "$kib" -ge "$zip_kib" ] && [ "$kib" -le $((zip_kib + 1)) ] ||
    fail "EstimatedSize is $kib KiB for $zip_kib KiB of files"

step "a .sft document opened through the file type, started in its own folder"
docs=$WORK/documents
mkdir -p "$docs"
# The software data record: the fourteen fields, then the selected needed files: the first
# fixed entry and the two registered in the program folder's Needfiles.dat.
{
    printf '"%s"\r\n' "Norvelle Ver 2.06" 'ソフト表' 'Ver 1.0' '山田 花子' 'Windows 95/98/Me' \
        'Windows 98で動作確認済み' '可' 'フリーウエア' '\' 'hanako@example.jp' 'http://' \
        '' '' '' ''
    printf '%s\r\n' 0 5 6
} | iconv -f UTF-8 -t CP932 >"$docs/ソフト.sft"
command=$(reg_value "$classes\\Norvelle.sft\\shell\\open\\command" "") || fail "no open command"
[[ "$command" =~ ^\"([^\"]+)\"\ \"%1\"$ ]] || fail "the open command is '$command'"
[ "$(winepath -u "${BASH_REMATCH[1]}")" -ef "$program/norvelle.exe" ] ||
    fail "the open command starts ${BASH_REMATCH[1]}"
(cd "$docs" && exec wine "$(winepath -u "${BASH_REMATCH[1]}")" "$(winepath -w "$docs/ソフト.sft")") \
    >"$WORK/program.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window "${MAIN_TITLE}ソフト\\.sft\$")
# Saved back as it was: the registered needed files were in the list when the document was read.
top_levels() {
    local id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        is_top_level "$id" && echo "$id"
    done
    return 0
}
before=$(top_levels)
file_menu 2 # ソフトデータのセーブ
# The save dialog is the desktop's own on Windows, whatever its title: the new window.
dialog=
deadline=$((SECONDS + E2E_WAIT))
until [ -n "$dialog" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "no save dialog within ${E2E_WAIT}s"
    sleep 0.05
    dialog=$(comm -13 <(sort <<<"$before") <(top_levels | sort) | head -n 1)
done
enter_file_name "$dialog" "$docs/copy.sft"
wait_title "$MAIN" ' - copy\.sft$'
expect_same_bytes "$docs/ソフト.sft" "$docs/copy.sft" "the document saved back"
file_menu 3 # 終了
wait_program_end
[ "$(files_of "$docs")" = $'copy.sft\nソフト.sft' ] || fail "the documents' folder holds $(files_of "$docs")"

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
run_setup "$SETUP"
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
