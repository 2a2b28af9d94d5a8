#!/usr/bin/env bash
# Windows only: help and the mail link reach the program Windows associates with them through
# the shell's "open", started in the program's folder with the target as given: the help
# file's Windows path, and the mail address with its Japanese subject, not percent-encoded.
# A stand-in handler (record_open.exe) is registered in the test's Wine prefix.
source "$(dirname "$0")/lib.sh"

[ -n "$WINE" ] || fail "the shell's open is a Windows call: run under Wine"
: "${NORVELLE_E2E_RECORD_OPEN:?the stand-in handler}"

dir=$(make_program_folder)
handler=$(winepath -w "$NORVELLE_E2E_RECORD_OPEN")
record=$WORK/opened.txt
export NORVELLE_E2E_RECORD
NORVELLE_E2E_RECORD=$(winepath -w "$record")

# The stand-in opens text files (through a file type of its own, as .txt names one) and mail
# addresses (a URL scheme names its command itself).
classes='HKLM\Software\Classes'
command="\"$handler\" \"%1\""
wine reg add "$classes\.txt" /ve /d NorvelleTestText /f >/dev/null
wine reg add "$classes\NorvelleTestText\shell\open\command" /ve /d "$command" /f >/dev/null
wine reg add "$classes\mailto" /v 'URL Protocol' /d '' /f >/dev/null
wine reg add "$classes\mailto\shell\open\command" /ve /d "$command" /f >/dev/null

# expect_opened TARGET: the handler ran in the program's folder with TARGET as its argument.
expect_opened() {
    wait_file "$record"
    local folder line
    folder=$(sed -n 1p "$record" | tr -d '\r')
    line=$(sed -n 2p "$record" | tr -d '\r')
    [ "${folder%\\}" = "$(winepath -w "$dir")" ] ||
        fail "the handler started in '$folder', not in the program's folder"
    case $line in
        *"\"$1\""*) ;;
        *) fail "the handler was given '$line', not '$1'" ;;
    esac
    rm -f "$record"
}

start_program "$dir"

step "ヘルプ opens norvelle.txt of the program's folder"
focus "$MAIN"
keys alt Left Return Return # the last menu, ヘルプ, and its first entry, ヘルプ
expect_opened "$(winepath -w "$dir")\\norvelle.txt"

step "the mail link of バージョン情報"
focus "$MAIN"
keys alt Left Return Down Return # ヘルプ, then its second entry, バージョン情報
about=$(wait_window '^Norvelleのﾊﾞｰｼﾞｮﾝ情報$')
focus "$about"
# The support address is a label that answers the mouse alone, and under Wine no
# accessibility bus tells where it is: the click goes where the box draws it, 1800 and 1260
# twips into its client area of 2445 twips' height (15 twips a pixel, the client area at the
# bottom of the window).
eval "$(xdotool getwindowgeometry --shell "$about")"
move_pointer $((X + 120)) $((Y + HEIGHT - 163 + 84))
xdotool click 1
expect_opened "mailto:info@example.org?Subject=Norvelle Ver $NORVELLE_VERSION について"
focus "$about"
keys Return
wait_gone "$about" "バージョン情報"

file_menu 3
answer_message Norvelle n
wait_program_end
echo "shell open: passed"
