#!/usr/bin/env bash
# Leaving with nothing saved: 終了 asks, Cancel keeps the program, No ends it. Closing the
# window asks too: Cancel keeps it open, Yes saves through the real dialog and then closes.
source "$(dirname "$0")/lib.sh"

dir=$(make_program_folder)

step "終了: Cancel, then No"
start_program "$dir"
file_menu 3
answer_message Norvelle Escape
is_shown "$MAIN" || fail "Cancel closed the main window"
file_menu 3 # the program is still there and asks again
answer_message Norvelle n
wait_program_end

step "the close box: Cancel, then Yes and save"
start_program "$dir"
close_request "$MAIN"
answer_message Norvelle Escape
is_shown "$MAIN" || fail "Cancel closed the main window"
close_request "$MAIN"
answer_message Norvelle y
answer_file_dialog '名前を付けて保存' "$WORK/closing.sft"
wait_program_end
[ -f "$WORK/closing.sft" ] || fail "closing with Yes did not save"
[ "$(head -c 19 "$WORK/closing.sft")" = '"Norvelle Ver 2.06"' ] ||
    fail "closing.sft is not a software data file"

echo "leaving: passed"
