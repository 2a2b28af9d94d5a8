#!/usr/bin/env bash
# Screenshots of the Windows program under Wine at 96, 144 and 192 dpi (100, 150 and 200 %),
# as the screens of many Japanese notebooks scale: the main window, the plugin selection, the
# preview, both registration dialogs and the version box. The window sizes in pixels are
# printed beside each file.
# Usage: scripts/windows-scaled-screenshots.sh BUILD_DIR OUT_DIR [DPI...]
#   BUILD_DIR: a built cross build configured with NORVELLE_LINUX_BUILD (./test.sh's
#   build/win64), whose X helper and staged program folder the screenshots use.
set -euo pipefail
source_dir=$(realpath "$(dirname "$0")/..")
if [ -z "${NORVELLE_E2E_IN_X:-}" ]; then
    build=$(realpath "$1")
    mkdir -p "$2"
    # What CTest tells the end-to-end tests, from the build's own cache.
    cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
    version=$(cached CMAKE_PROJECT_VERSION)
    export NORVELLE_VERSION=$version NORVELLE_BUILD_DIR=$build NORVELLE_SOURCE_DIR=$source_dir
    export NORVELLE_BIN=$build/stage/norvelle-$version-win64
    export NORVELLE_E2E_CLOSE=$(cached NORVELLE_LINUX_BUILD)/tests/e2e/norvelle_e2e_close
    export NORVELLE_E2E_WINE=1 WINEPREFIX=$build/scaled/wine NORVELLE_E2E_LIMIT=600
    export SHOTS=$(realpath "$2")
    shift 2
    export DPIS="${*:-96 144 192}"
fi
source "$source_dir/tests/e2e/lib.sh"

# shot WINDOW NAME: the window as it is drawn, into SHOTS/windows-NAME-DPI.png.
shot() {
    pointer_away
    # Wine draws a new window in more than one go: taken once it has stopped changing.
    snapshot "$1" "$WORK/prev.ppm"
    snapshot "$1" "$WORK/cur.ppm"
    until cmp -s "$WORK/prev.ppm" "$WORK/cur.ppm"; do
        mv "$WORK/cur.ppm" "$WORK/prev.ppm"
        sleep 0.2
        snapshot "$1" "$WORK/cur.ppm"
    done
    convert "$WORK/cur.ppm" -strip "png:$SHOTS/windows-$2-$DPI.png"
    echo "$2 at $DPI dpi: $(identify -format '%wx%h' "$SHOTS/windows-$2-$DPI.png") pixels"
}

# menu KEYS...: a command of the main window's menu bar, reached from its first menu.
menu() {
    focus "$MAIN"
    keys alt "$@"
}

mkdir -p "$(dirname "$WINEPREFIX")"
[ -f "$WINEPREFIX/system.reg" ] || wineboot --init >/dev/null 2>&1
dir=$(make_program_folder)
for DPI in $DPIS; do
    wineserver -k 2>/dev/null || true
    wineserver -w
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null
    wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null
    start_program "$dir"
    shot "$MAIN" main-window

    create_menu
    form5=$(wait_window '^プラグイン選択$')
    focus "$form5"
    keys space # the first plugin
    shot "$form5" plugin-selection
    focus "$form5"
    keys Return # OK
    form6=$(wait_window '^プレビュー$')
    shot "$form6" preview
    close_request "$form6"
    wait_gone "$form6" プレビュー
    close_request "$form5"
    wait_gone "$form5" プラグイン選択

    menu Right Right Return Return # 編集 > Eﾒｰﾙｱﾄﾞﾚｽの登録
    form2=$(wait_window '^Eﾒｰﾙｱﾄﾞﾚｽの登録$')
    shot "$form2" email-registration
    close_request "$form2"
    wait_gone "$form2" Form2
    menu Right Right Return Down Down Down Return # 編集 > 必要ﾌｧｲﾙの登録
    form3=$(wait_window '^必要ファイルの登録$')
    shot "$form3" needed-files-registration
    close_request "$form3"
    wait_gone "$form3" Form3
    menu Right Right Right Return Down Return # ヘルプ > バージョン情報
    about=$(wait_window 'のﾊﾞｰｼﾞｮﾝ情報$')
    shot "$about" version
    close_request "$about"
    wait_gone "$about" frmAbout

    file_menu 3 # 終了
    answer_message Norvelle n
    wait_program_end
done
