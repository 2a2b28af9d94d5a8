#!/usr/bin/env bash
# The main road as a user walks it: fill in the form, create, pick a plugin, touch up the
# preview, replace the character the preview lists as platform-dependent, save Readme.txt
# through the real save dialog, and find on disk exactly the Readme that the plugin and the form
# make; then again as "Readme", typed without extension; then save the form and make README.md
# from the Markdown plugin, twice. Takes the README's screenshots on the way.
source "$(dirname "$0")/lib.sh"

NAME='かんたん日記'
VERSION='Ver 1.20'
COPYRIGHT='Taro Yamada'
FEE='\1,200'
EMAIL='taro@example.jp'
ABOUT='A diary: ① write, ② read.'
STAMP='  2024-06-01'

dir=$(make_program_folder)
out=$WORK/out
mkdir -p "$out" "$WORK/shots"
# The preview's list of findings is read as a screen reader reads it. Wine offers no window of
# its programs there: under Wine the entry is proved by where it leads.
[ -n "$WINE" ] || start_accessibility_bus
start_program "$dir"

step "fill in the form"
# By keyboard, in the form's tab order: down the left column from ソフト名, where the focus
# starts, then down the right one, then the needed files and the additional items.
focus "$MAIN"
paste_text "$NAME"
keys Tab End # ﾊﾞｰｼﾞｮﾝ, after its preset "Ver "
type_text "${VERSION#Ver }"
keys Tab # 著作権
type_text "$COPYRIGHT"
keys Tab Tab Tab Tab Down # past 動作環境, 動作確認, 転載 to ソフトの種別: シェアウエア
keys Tab # ｼｪｱｳｴｱ代金, enabled by シェアウエア, its text selected
type_text "$FEE"
keys Tab # Eﾒｰﾙｱﾄﾞﾚｽ
type_text "$EMAIL"
keys Tab Tab Tab # past ﾎｰﾑﾍﾟｰｼﾞ and 必要ﾌｧｲﾙ to 追加項目1
paste_text "$ABOUT" # with circled numbers, which Windows' code page has in its NEC extensions
keys shift+Tab space Down Down Down # back to 必要ﾌｧｲﾙ: the first entry, Direct X 8.0
pointer_away
snapshot "$MAIN" "$WORK/shots/before.ppm"
keys space # and the fourth, Visual Basicのランタイムライブラリ
capture_changed "$MAIN" "$WORK/shots/before.ppm" "$WORK/shots/main-window.png"

step "作成: pick the plugin"
create_menu
form5=$(wait_window '^プラグイン選択$')
focus "$form5"
pointer_away
snapshot "$form5" "$WORK/shots/before.ppm"
keys space # the list has the focus: its first plugin, かんたん
pointer_away
capture_changed "$form5" "$WORK/shots/before.ppm" "$WORK/shots/plugin-selection.png"

step "OK: preview, with the circled numbers listed below the text"
keys Return # OK, the default button
form6=$(wait_window '^プレビュー$')
listed() { accessible_texts プレビュー 2>/dev/null | sed -n 's/^ *list item: //p'; }
if [ -z "$WINE" ]; then
    deadline=$((SECONDS + E2E_WAIT))
    until listed >"$WORK/listed" && [ -s "$WORK/listed" ]; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the preview lists nothing within ${E2E_WAIT}s"
        sleep 0.1
    done
    printf '%s\n' "11 行 10 列: 機種依存文字「①」（ほかの環境では別の文字に見えることがあります）" \
        "11 行 19 列: 機種依存文字「②」（ほかの環境では別の文字に見えることがあります）" \
        >"$WORK/expected-listed"
    diff -u "$WORK/expected-listed" "$WORK/listed" >&2 || fail "the preview lists other findings"
fi

step "touch it up"
focus "$form6"
snapshot "$form6" "$WORK/shots/before.ppm"
keys ctrl+Home End # the text has the focus
type_text "$STAMP"
pointer_away
capture_changed "$form6" "$WORK/shots/before.ppm" "$WORK/shots/preview.png"

step "the first entry leads to the ①: replaced, it leaves the list"
click "$form6" 6420 720 4860 # the list's first entry
keys Delete
type_text '(1)'
if [ -z "$WINE" ]; then
    deadline=$((SECONDS + E2E_WAIT))
    until listed >"$WORK/listed" && ! grep -q '「①」' "$WORK/listed"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "the replaced ① is still listed after ${E2E_WAIT}s"
        sleep 0.1
    done
    grep -q '^11 行 21 列: 機種依存文字「②」' "$WORK/listed" ||
        fail "the ② is not listed in its new place: $(cat "$WORK/listed")"
fi

step "Readme.txt作成 through the save dialog"
# The text takes Shift+Tab as its own on Windows (it outdents), so no key leaves it there: the
# button is clicked. It keeps the focus from here on.
click "$form6" 6420 7545 6067 # Readme.txt作成
answer_file_dialog '名前を付けて保存' "$out/Readme.txt"
done_box=$(wait_window '^完了$')
[ -f "$out/Readme.txt" ] || fail "完了 was shown but Readme.txt is missing"
focus "$done_box"
keys Return
wait_gone "$done_box" "完了"

# The Readme written out in main_road-Readme.txt: the plugin with the form's values, the
# touched-up first line and the ① replaced, and one more line end after the text; in code
# page 932.
to_cp932 "$E2E_DIR/main_road-Readme.txt" >"$WORK/expected.txt"
expect_same_bytes "$WORK/expected.txt" "$out/Readme.txt" "Readme.txt"

step "a name typed without extension: saved as typed, and asked about as typed"
# Readme.txt is another file: no question the first time, a question the second.
for answer in none y; do
    focus "$form6"
    keys space # Readme.txt作成
    answer_file_dialog '名前を付けて保存' "$out/Readme"
    [ "$answer" = none ] || answer_message Norvelle "$answer"
    done_box=$(wait_window '^完了$')
    focus "$done_box"
    keys Return
    wait_gone "$done_box" "完了"
done
[ "$(ls "$out")" = $'Readme\nReadme.txt' ] || fail "the Readme went to: $(ls "$out" | tr '\n' ' ')"
expect_same_bytes "$WORK/expected.txt" "$out/Readme" "Readme, typed without extension"

step "close the preview and the selection"
close_request "$form6"
wait_gone "$form6" "プレビュー"
close_request "$form5"
wait_gone "$form5" "プラグイン選択"

# The same form as the front page of a code host: the Markdown plugin gives README.md in
# UTF-8, byte for byte what norvelle-cli makes of the saved form.
step "save the form"
file_menu 2
answer_file_dialog '名前を付けて保存' "$out/form.sft"
wait_title "$MAIN" ' - form\.sft$'

step "作成 with the Markdown plugin: README.md is proposed"
cp "$NORVELLE_SOURCE_DIR/plugins/README.md.spd" "$dir/"
create_menu
form5=$(wait_window '^プラグイン選択$')
focus "$form5"
keys space Return # the first plugin now, README.md, and OK
form6=$(wait_window '^プレビュー$')
save_proposed() {
    focus "$form6"
    click "$form6" 6420 7545 6067 # Readme.txt作成, past the text as above
    # The dialog proposes README.md, accepted as it is, in the folder it opens in: the working
    # directory or the last folder chosen, as the desktop's dialog has it.
    local dialog
    dialog=$(wait_window '^名前を付けて保存$')
    focus "$dialog"
    keys Return
    wait_gone "$dialog" "file dialog"
    [ $# -eq 0 ] || answer_message Norvelle "$1"
    answer_message 完了 Return
}
save_proposed
readme=
for folder in "$dir" "$out"; do [ -f "$folder/README.md" ] && readme=$folder/README.md; done
[ -n "$readme" ] || fail "the save dialog did not propose README.md"
if [ -n "$WINE" ]; then
    (cd "$dir" && wine norvelle-cli.exe render --data "$(dialog_path "$out/form.sft")" \
        --plugin README.md.spd --output "$(dialog_path "$WORK/README.md")")
else
    (cd "$dir" && "$NORVELLE_BUILD_DIR/cli/norvelle-cli" render --data "$out/form.sft" \
        --plugin README.md.spd --output "$WORK/README.md")
fi
cmp -s "$WORK/README.md" "$readme" ||
    fail "README.md differs from norvelle-cli's Readme of form.sft"
head -n 1 "$readme" | grep -qx "# $NAME $VERSION"$'\r' ||
    fail "README.md does not start with its title in UTF-8"

step "README.md again: the overwrite question, Yes"
save_proposed y
cmp -s "$WORK/README.md" "$readme" || fail "README.md changed when written again"

step "close the preview and the selection, then leave"
close_request "$form6"
wait_gone "$form6" "プレビュー"
close_request "$form5"
wait_gone "$form5" "プラグイン選択"
file_menu 3 # 終了: the form was saved, so it ends at once
wait_program_end

if [ -n "${NORVELLE_E2E_SCREENSHOTS:-}" ]; then
    mkdir -p "$NORVELLE_E2E_SCREENSHOTS"
    for shot in main-window plugin-selection preview; do
        cp "$WORK/shots/$shot.png" "$NORVELLE_E2E_SCREENSHOTS/${WINE:+windows-}$shot.png"
    done
fi
echo "main road: passed"
