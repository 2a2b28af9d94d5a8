#!/usr/bin/env bash
# The file dialogs speak Japanese under any locale: under LANG=C.UTF-8 the save dialog's file
# list gives a size as "21 バイト", a folder's type as "フォルダ" and dates in the Japanese
# way, as a screen reader reads them.
source "$(dirname "$0")/lib.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

dir=$(make_program_folder)
data=$WORK/data
mkdir -p "$data/sub"
printf '123456789012345678901' >"$data/twenty-one.sft"
touch -d '2024-03-05 06:07' "$data/twenty-one.sft" "$data/sub"

start_accessibility_bus
start_program "$dir"

step "the save dialog, in a folder of one file and one folder"
file_menu 2 # ソフトデータのセーブ
dialog=$(wait_window '^名前を付けて保存$')
focus "$dialog"
keys ctrl+a
type_text "$data/"
keys Return

# The detail view's cells, four to a row (name, size, type, date), once both rows are there
# with their dates: the folder's contents are read in the background.
rows() {
    accessible_texts '名前を付けて保存' 2>/dev/null | sed -n 's/^ *table cell: //p' | paste -d '|' - - - -
}
deadline=$((SECONDS + E2E_WAIT))
until rows >"$WORK/rows" && grep -q '^sub|.*|.\+$' "$WORK/rows" &&
    grep -q '^twenty-one\.sft|.*|.\+$' "$WORK/rows"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
        accessible_texts '名前を付けて保存' >&2 || true
        fail "the save dialog's file list did not show both entries within ${E2E_WAIT}s"
    fi
    sleep 0.1
done
cat "$WORK/rows"

grep -qxF 'sub||フォルダ|2024/03/05 6:07' "$WORK/rows" ||
    fail "the folder's row is not in Japanese: $(grep '^sub|' "$WORK/rows")"
file_row=$(grep '^twenty-one\.sft|' "$WORK/rows")
case $file_row in
    'twenty-one.sft|21 バイト|'*'|2024/03/05 6:07') ;;
    *) fail "the file's row is not in Japanese: $file_row" ;;
esac
# The type comes from the desktop's MIME database; it, too, is Japanese.
file_type=$(cut -d '|' -f 3 <<<"$file_row")
[ -n "$file_type" ] && ! grep -q '[A-Za-z]' <<<"$file_type" ||
    fail "the file's type is not in Japanese: $file_type"

focus "$dialog"
keys ctrl+a
type_text 'MyTool.sft'
pointer_away
mkdir -p "$WORK/shots"
convert xc:black "ppm:$WORK/shots/none.ppm"
capture_changed "$dialog" "$WORK/shots/none.ppm" "$WORK/shots/save-dialog.png"
if [ -n "${NORVELLE_E2E_SCREENSHOTS:-}" ]; then
    mkdir -p "$NORVELLE_E2E_SCREENSHOTS"
    cp "$WORK/shots/save-dialog.png" "$NORVELLE_E2E_SCREENSHOTS/"
fi

step "cancel, and leave"
focus "$dialog"
keys Escape
wait_gone "$dialog" "file dialog"
file_menu 3
answer_message Norvelle n
wait_program_end
echo "file dialog: passed"
