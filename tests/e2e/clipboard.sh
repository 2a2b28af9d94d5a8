#!/usr/bin/env bash
# クリップボードにコピー puts the preview's text on the desktop's clipboard, where another
# program (xclip here) reads it: first as expanded, then with the user's own line added.
source "$(dirname "$0")/lib.sh"

dir=$(make_program_folder)
start_program "$dir"

focus "$MAIN"
click "$MAIN" 4545 1560 255 # ソフト名
type_text 'Clip Tool'
create_menu
form5=$(wait_window '^プラグイン選択$')
focus "$form5"
click "$form5" 5790 720 450 # かんたん
click "$form5" 5790 6607 5467 # OK
form6=$(wait_window '^プレビュー$')
focus "$form6"

# The text written out in clipboard-copied.txt, with CR LF: needed files and the additional
# items are empty, and their markers vanish.
sed 's/$/\r/' "$E2E_DIR/clipboard-copied.txt" >"$WORK/expected"

step "copy the text as expanded"
click "$form6" 6420 4350 6067 # クリップボードにコピー
wait_clipboard "$WORK/expected"

step "copy again after adding a line"
click "$form6" 6420 2000 1500 # into the text
keys ctrl+End
type_text 'P.S. Thanks'
click "$form6" 6420 4350 6067
printf 'P.S. Thanks' >>"$WORK/expected"
wait_clipboard "$WORK/expected"

echo "clipboard: passed"
