#!/usr/bin/env bash
# Leaving with nothing saved, by 終了 and by the close box: each asks; Cancel keeps the
# program, No ends it without saving, Yes saves through the real dialog and then ends it.
source "$(dirname "$0")/lib.sh"

dir=$(make_program_folder)

expect_software_data() {
    [ -f "$1" ] || fail "leaving with Yes did not save ${1##*/}"
    [ "$(head -n 1 "$1")" = "\"Norvelle Ver $NORVELLE_VERSION\""$'\r' ] ||
        fail "${1##*/} is not a software data file"
}

step "終了: Cancel, then No"
start_program "$dir"
file_menu 3
answer_message Norvelle Escape
is_shown "$MAIN" || fail "Cancel closed the main window"
file_menu 3 # the program is still there and asks again
answer_message Norvelle n
wait_program_end

step "終了: Yes and save"
start_program "$dir"
file_menu 3
answer_message Norvelle y
answer_file_dialog '名前を付けて保存' "$WORK/exit.sft"
wait_program_end
expect_software_data "$WORK/exit.sft"

step "the close box: Cancel, then No"
start_program "$dir"
close_request "$MAIN"
answer_message Norvelle Escape
is_shown "$MAIN" || fail "Cancel closed the main window"
close_request "$MAIN"
answer_message Norvelle n
wait_program_end

step "the close box: Yes and save"
start_program "$dir"
close_request "$MAIN"
answer_message Norvelle y
answer_file_dialog '名前を付けて保存' "$WORK/closing.sft"
wait_program_end
expect_software_data "$WORK/closing.sft"

echo "leaving: passed"
