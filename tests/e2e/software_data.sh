#!/usr/bin/env bash
# Software data through the real file dialogs: save a filled-in form, New, load it back and
# find every field and the needed-file selection again; saving over a file asks first, and
# No leaves the file alone while Yes replaces it.
source "$(dirname "$0")/lib.sh"

dir=$(make_program_folder)
data=$WORK/data
mkdir -p "$data"
start_program "$dir"

step "the form as it starts, saved"
save_software_data "$data/fresh.sft"
wait_title "$MAIN" ' - fresh\.sft$'

step "fill in every field"
# By keyboard, in the form's tab order, from ソフト名: a field reached by Tab has its text
# selected, and what is typed replaces it.
focus "$MAIN"
paste_text '家計簿ソフト'
keys Tab End # ﾊﾞｰｼﾞｮﾝ
type_text '3.1.4'
keys Tab # 著作権
paste_text '山田 花子'
keys Tab Down Down # 動作環境: the third preset
keys Tab # 動作確認: a text of one's own
type_text 'Debian 12 + Wine'
keys Tab Down Down Down # 転載: the last preset
keys Tab Down # ソフトの種別: シェアウエア
keys Tab # ｼｪｱｳｴｱ代金
type_text '\500'
keys Tab # Eﾒｰﾙｱﾄﾞﾚｽ
type_text 'hanako@example.com'
keys Tab # ﾎｰﾑﾍﾟｰｼﾞ
type_text 'https://example.com/kakeibo/'
keys Tab space Down Down Down Down space # 必要ﾌｧｲﾙ: Direct X 8.0 and MFC42.DLL
keys Tab # 追加項目1
type_text 'First, a note'
keys Tab # 追加項目2
paste_text '二つ目の項目'
keys Tab Tab # 追加項目4: spaces are kept
type_text '  four  '

filled=('家計簿ソフト' 'Ver 3.1.4' '山田 花子' 'Windows 95/98/2000' 'Debian 12 + Wine'
        '転載後、作者に連絡' 'シェアウエア' '\500' 'hanako@example.com'
        'https://example.com/kakeibo/' 'First, a note' '二つ目の項目' '' '  four  ' 0 4)
sft_record "${filled[@]}" >"$WORK/filled.sft"

step "save a.sft"
save_software_data "$data/a.sft"
wait_title "$MAIN" ' - a\.sft$'
expect_same_bytes "$WORK/filled.sft" "$data/a.sft" "a.sft"

step "New gives back the form as it started"
file_menu 0 # 新規作成
wait_title "$MAIN" ' - \(新規作成\)$'
save_software_data "$data/blank.sft"
wait_title "$MAIN" ' - blank\.sft$'
expect_same_bytes "$data/fresh.sft" "$data/blank.sft" "the form after New"

step "load a.sft: every field returns"
file_menu 1 # ソフトデータのロード
answer_file_dialog '開く' "$data/a.sft"
wait_title "$MAIN" ' - a\.sft$'
save_software_data "$data/b.sft"
wait_title "$MAIN" ' - b\.sft$'
expect_same_bytes "$WORK/filled.sft" "$data/b.sft" "the form after loading a.sft"

step "save over a.sft: No, then Yes"
focus "$MAIN"
keys End # in 追加項目4 still, where the filling-in ended
type_text '!'
save_software_data "$data/a.sft"
answer_message Norvelle n
# The next dialog opens only once the declined save has run to its end.
file_menu 2
dialog=$(wait_window '^名前を付けて保存$')
expect_same_bytes "$WORK/filled.sft" "$data/a.sft" "a.sft after declining to overwrite it"
[[ "$(title_of "$MAIN")" == *' - b.sft' ]] || fail "declining changed the caption: $(title_of "$MAIN")"
enter_file_name "$dialog" "$data/a.sft"
answer_message Norvelle y
wait_title "$MAIN" ' - a\.sft$'
filled[13]='  four  !'
sft_record "${filled[@]}" >"$WORK/changed.sft"
expect_same_bytes "$WORK/changed.sft" "$data/a.sft" "a.sft after overwriting it"

step "MyTool, typed without extension, is saved as MyTool, though MyTool.sft is there"
cp "$data/a.sft" "$data/MyTool.sft"
save_software_data "$data/MyTool"
wait_title "$MAIN" ' - MyTool$'
expect_same_bytes "$WORK/changed.sft" "$data/MyTool" "MyTool"
expect_same_bytes "$data/a.sft" "$data/MyTool.sft" "MyTool.sft"

# start_with DIR ARG...: the program started in DIR with arguments, as the file manager starts
# it.
start_with() {
    if program_running; then kill "$APP_PID"; wait "$APP_PID" 2>/dev/null || true; fi
    launch_program "$dir" "$@"
}

step "norvelle a.sft: a file named from another folder opens as the load command opens it"
start_with "$data" a.sft
MAIN=$(wait_window "${MAIN_TITLE}a\.sft\$")
save_software_data "$data/c.sft"
wait_title "$MAIN" ' - c\.sft$'
expect_same_bytes "$data/a.sft" "$data/c.sft" "the form opened from the command line"

step "a file it refuses: the usual warning, then the new document"
printf 'not software data\r\n' >"$data/bad.sft"
start_with "$data" bad.sft
answer_message 警告 Return
MAIN=$(wait_window "${MAIN_TITLE}\(新規作成\)\$")

# A window program on Windows has no console to print the usage line to.
step "two arguments: a usage line (Linux), and an ordinary start"
start_with "$data" a.sft b.sft
MAIN=$(wait_window "${MAIN_TITLE}\(新規作成\)\$")
[ -n "$WINE" ] || grep -q '^Usage: norvelle \[FILE.sft\]$' "$WORK/program.log" ||
    fail "no usage line: $(cat "$WORK/program.log")"

echo "software data: passed"
