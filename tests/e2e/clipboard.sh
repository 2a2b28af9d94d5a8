#!/usr/bin/env bash
# クリップボードにコピー puts the preview's text on the desktop's clipboard, where another
# program (xclip here) reads it: first as expanded, then with the user's own line added.
source "$(dirname "$0")/lib.sh"

dir=$(make_program_folder)
start_program "$dir"

focus "$MAIN"
type_text 'Clip Tool' # into ソフト名, where the focus starts
create_menu
form5=$(wait_window '^プラグイン選択$')
focus "$form5"
keys space Return # the first plugin, かんたん, and OK
form6=$(wait_window '^プレビュー$')
focus "$form6"

# The text written out in clipboard-copied.txt, with CR LF: needed files and the additional
# items are empty, and their markers vanish.
sed 's/$/\r/' "$E2E_DIR/clipboard-copied.txt" >"$WORK/expected"

step "copy the text as expanded"
keys shift+Tab shift+Tab space # from the text back to クリップボードにコピー
wait_clipboard "$WORK/expected"

step "copy again after adding a line"
keys shift+Tab ctrl+End # back into the text
type_text 'P.S. Thanks'
keys shift+Tab shift+Tab space
printf 'P.S. Thanks' >>"$WORK/expected"
wait_clipboard "$WORK/expected"

echo "clipboard: passed"
