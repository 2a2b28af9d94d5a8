#!/usr/bin/env bash
# Installation: `cmake --install` into a prefix (with a space and a $ in its path) puts the
# program, its plugins and help file in one program folder, a link to it on the PATH, a valid
# desktop entry and the icons, the manual pages, the completion of norvelle-cli, the .sft file
# type and the software catalogue's entry. A reinstall keeps the registered lists, and the
# program started from the desktop entry runs in its program folder and shows them. A .sft
# file opened by the desktop, or named relative to the folder the program was started in,
# opens in the program.
source "$(dirname "$0")/lib.sh"

: "${NORVELLE_BUILD_DIR:?the build folder to install from}"
cmake=${NORVELLE_CMAKE:-cmake}
prefix="$WORK/my \$prefix"
program_dir=$prefix/lib/norvelle

install_once() {
    "$cmake" --install "$NORVELLE_BUILD_DIR" --prefix "$prefix" >"$WORK/install.log" 2>&1 ||
        { cat "$WORK/install.log" >&2; fail "cmake --install failed"; }
}

step "install"
install_once
[ "$(readlink -f "$prefix/bin/norvelle")" = "$program_dir/norvelle" ] ||
    fail "bin/norvelle does not lead to the program"
[ -x "$program_dir/norvelle" ] || fail "no program in the program folder"
cmp -s "$NORVELLE_SOURCE_DIR/docs/norvelle.txt" "$program_dir/norvelle.txt" ||
    fail "the help file is not in the program folder"
for plugin in "$NORVELLE_SOURCE_DIR"/plugins/*.spd; do
    cmp -s "$plugin" "$program_dir/$(basename "$plugin")" ||
        fail "plugin $(basename "$plugin") is not in the program folder as shipped"
done
for size in 16 24 32 48 64 128 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x$size/apps/norvelle.png" ] || fail "no ${size}px icon"
done
[ -s "$prefix/share/icons/hicolor/scalable/apps/norvelle.svg" ] || fail "no scalable icon"
entry=$prefix/share/applications/norvelle.desktop
desktop-file-validate "$entry" || fail "the desktop entry is not valid"

step "manual pages"
export MANWIDTH=80
for page in norvelle norvelle-cli; do
    file=$prefix/share/man/man1/$page.1
    [ -s "$file" ] || fail "no manual page $page(1)"
    # man looks beside the PATH: a user with the prefix's bin on the PATH reads `man norvelle`.
    [ "$(PATH="$prefix/bin:$PATH" MANPATH= man -w "$page")" = "$file" ] || fail "man does not find $page(1)"
    warnings=$(man --warnings -l "$file" 2>&1 >/dev/null) || fail "man cannot show $page(1)"
    [ -z "$warnings" ] || fail "man $page: $warnings"
    grep -q "^\.TH .* \"Norvelle $("$prefix/bin/norvelle-cli" --version | grep -o '[0-9.]*$')\"" \
        "$file" || fail "$page(1) names another version than the program's"
done
# Every option and exit status that norvelle-cli --help lists is in its manual page.
man -l "$prefix/share/man/man1/norvelle-cli.1" >"$WORK/norvelle-cli.txt"
for option in $("$prefix/bin/norvelle-cli" --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -q -- "$option\b" "$WORK/norvelle-cli.txt" || fail "norvelle-cli(1) lacks $option"
done
for status in $("$prefix/bin/norvelle-cli" --help | sed -n 's/^  \([0-9]\)  .*/\1/p'); do
    sed -n '/^EXIT STATUS/,/^[A-Z]/p' "$WORK/norvelle-cli.txt" | grep -q "^       $status " ||
        fail "norvelle-cli(1) lacks exit status $status"
done

# The desktop, man and bash-completion look for their files in the data folders: the
# prefix's share is one, as ~/.local/share and /usr/local/share are by default.
export XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"

step "completion of norvelle-cli"
completion=$prefix/share/bash-completion/completions/norvelle-cli
bash -n "$completion" || fail "the completion is not valid bash"
mkdir -p "$WORK/complete/sub dir"
touch "$WORK/complete/"{a.sft,B.SFT,c.spd,d.txt}
# completions WORD...: what completing the last word offers, sorted, on one line, with the
# completion loaded by bash-completion as it loads it for a user.
completions() {
    (cd "$WORK/complete" && bash -c '
        source /usr/share/bash-completion/bash_completion
        __load_completion norvelle-cli || exit 1
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        $(complete -p norvelle-cli | sed "s/.*-F \([^ ]*\) .*/\1/")
        printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "
    ' completions "$@") || fail "bash-completion does not load the completion"
}
while IFS='|' read -r line expected; do
    read -ra words <<<"$line"
    [ "${line: -1}" = ' ' ] && words+=('')
    got=$(completions "${words[@]}")
    [ "$got" = "$expected" ] || fail "completing '$line' offers '$got', not '$expected'"
done <<'CASES'
norvelle-cli |--help --version check lint render show
norvelle-cli re|render
norvelle-cli render --data |B.SFT a.sft sub dir
norvelle-cli render --plugin |c.spd sub dir
norvelle-cli render --data = |B.SFT a.sft sub dir
norvelle-cli render --encoding |cp932 utf-8
norvelle-cli render --lists-dir |sub dir
norvelle-cli render --st|--strict
norvelle-cli check |c.spd sub dir
norvelle-cli lint |B.SFT a.sft c.spd d.txt sub dir
norvelle-cli lint --|--help --width
norvelle-cli show --|--data --help --json --lists-dir
CASES

step "the .sft file type and the software catalogue's entry"
xmllint --noout "$prefix/share/mime/packages/norvelle.xml" || fail "the file type is not XML"
mkdir -p "$WORK/data"
sft_record '' '' '' '' '' '' '' '' '' '' '' '' '' '' >"$WORK/data/My Tool.sft"
cp "$WORK/data/My Tool.sft" "$WORK/data/mailed without a name"
for file in "My Tool.sft" "mailed without a name"; do
    type=$(gio info -a standard::content-type "$WORK/data/$file" | sed -n 's/.*content-type: //p')
    [ "$type" = application/x-norvelle-sft ] || fail "$file is $type to the desktop"
done
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.norvelle.metainfo.xml" ||
    fail "the catalogue entry is not valid"
# ... and it names the desktop entry installed beside it.
appstreamcli validate-tree --no-net "$prefix" || fail "the catalogue entry and the desktop entry do not match"
for shot in $(grep -o 'screenshots/[^<]*\.png' "$prefix/share/metainfo/org.example.norvelle.metainfo.xml"); do
    [ -s "$NORVELLE_SOURCE_DIR/docs/$shot" ] || fail "the catalogue shows $shot, which is not in docs"
done

step "a reinstall keeps the registered lists"
printf 'hanako@example.com\r\n' >"$program_dir/EMAIL.dat"
cp "$program_dir/EMAIL.dat" "$WORK/EMAIL.dat"
install_once
cmp -s "$WORK/EMAIL.dat" "$program_dir/EMAIL.dat" || fail "the reinstall changed EMAIL.dat"

step "start from the desktop entry"
(cd / && gio launch "$entry") || fail "the desktop entry does not start"
MAIN=$(wait_window "$MAIN_TITLE")
APP_PID=$(xdotool getwindowpid "$MAIN")
[ "$(readlink "/proc/$APP_PID/exe")" = "$program_dir/norvelle" ] ||
    fail "the desktop entry started $(readlink "/proc/$APP_PID/exe")"
[ "$(readlink "/proc/$APP_PID/cwd")" = "$program_dir" ] ||
    fail "the program runs in $(readlink "/proc/$APP_PID/cwd"), not in its program folder"
# The registered address fills the e-mail field.
focus "$MAIN"
# From ソフト名 on to Eﾒｰﾙｱﾄﾞﾚｽ, past the fee that freeware leaves disabled; Tab selects the text.
keys Tab Tab Tab Tab Tab Tab Tab
keys ctrl+c
printf 'hanako@example.com' >"$WORK/expected"
wait_clipboard "$WORK/expected"

# expect_started_on FILE: the program of the program folder runs there with FILE open.
expect_started_on() {
    MAIN=$(wait_window "$MAIN_TITLE$1\$")
    APP_PID=$(xdotool getwindowpid "$MAIN")
    [ "$(readlink "/proc/$APP_PID/cwd")" = "$program_dir" ] ||
        fail "the program runs in $(readlink "/proc/$APP_PID/cwd"), not in its program folder"
}
stop_program() {
    kill "$APP_PID"
    wait_gone "$MAIN" "main window"
    APP_PID=
}

step "a .sft file opened by the desktop"
stop_program
open_document "$WORK/data/My Tool.sft"
expect_started_on 'My Tool\.sft'

step "a .sft file named relative to where the program starts from the PATH"
stop_program
(cd "$WORK/data" && exec "$prefix/bin/norvelle" 'My Tool.sft') >"$WORK/program.log" 2>&1 &
expect_started_on 'My Tool\.sft'

echo "install: passed"
