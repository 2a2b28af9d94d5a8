#!/usr/bin/env bash
# Installation: `cmake --install` into a prefix (with a space and a $ in its path) puts the
# program, its plugins and help file in one program folder, a launcher on the PATH, a valid
# desktop entry and the icons. A reinstall keeps the registered lists, and the program started
# from the desktop entry runs in its program folder and shows them.
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
[ -x "$prefix/bin/norvelle" ] || fail "no launcher in bin"
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
click "$MAIN" 4545 5520 1710 # Eﾒｰﾙｱﾄﾞﾚｽ
keys ctrl+a ctrl+c
printf 'hanako@example.com' >"$WORK/expected"
wait_clipboard "$WORK/expected"

echo "install: passed"
