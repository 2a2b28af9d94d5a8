#!/usr/bin/env bash
# Runs norvelle-cli built for Linux and norvelle-cli.exe under Wine on the same files and
# requires the same exit code, the same standard output and standard error, and the same
# files left behind, byte for byte: the shipped plugins and forms that are easy to get wrong
# (Japanese names and text, ソ and 表 whose second byte is "\", double quotes, long lines,
# bytes that are not code page 932, lines ended by CR alone).
#
# Usage: same_bytes.sh LINUX_CLI WINDOWS_CLI_EXE WORK_FOLDER
# Wine's own settings and NORVELLE_VERSION come from the caller (tests/WineTests.cmake).
set -uo pipefail

linux_cli=$(realpath "$1")
windows_cli=$(realpath "$2")
work=$3
source_dir=$(realpath "$(dirname "$0")/../..")

# Wine takes the command line's bytes in the locale's character set: UTF-8, as a Windows
# program gets its arguments in UTF-16.
export LC_ALL=C.UTF-8

rm -rf "$work"
mkdir -p "$work/inputs"
inputs=$(realpath "$work/inputs")

sjis() { iconv -f UTF-8 -t CP932; }
crlf() { sed 's/$/\r/'; }

# --- the files both programs get ---------------------------------------------------------

cp "$source_dir"/plugins/*.spd "$inputs/"
mkdir -p "$inputs/一覧表"
printf '%s\r\n' '"予定表ソフト.txt"' '"ソース\表.dat"' '"C:\Program Files\表"' | sjis \
    >"$inputs/一覧表/Needfiles.dat"

long=$(printf '表ソ%.0s' $(seq 1 3000))  # a 6000-character field: 12000 bytes in the file
{
    printf '%s\r\n' "\"Norvelle Ver $NORVELLE_VERSION\"" '"""引用"" ソフト, 1"' '"Ver 1.0 表"' '"  山田\t太郎"' \
        '"Windows 95/98/Me/2000"' '"unknown..."' '"[$ソフト名]"' '"シェアウエア"' '"\"' \
        '"a@example.jp"' '"http://example.jp/ソフト/"' "\"$long\"" '"ー"' '""' '"〜能申"' \
        '1' '6' '7'
} | sed 's/\\t/\t/' | sjis >"$inputs/ソフト表.sft"

# A field holding bytes that are not code page 932: they read as U+FFFD, which the Readme
# cannot hold. The last byte is one Windows reads as a character of its own, and keeps.
{
    printf '"Norvelle Ver 2.05"\r\n"壊れ'
    printf '\x85\x40\xFF'
    printf '"\r\n"1.0"\r\n'
} >"$inputs/壊れ.sft"
printf '"Norvelle Ver 2.04"\r\n"古い"\r\n' | sjis >"$inputs/古い.sft"

# A plugin of the author's own: lines ended by CR alone, by CR LF and by nothing, a line of
# 200,000 bytes, an unknown and an unclosed marker.
{
    printf '%s\r' '[$ソフト名] CRだけの行' '[$バージョン]'
    printf '%s\r\n' '表示\ソ [$著作権]' "$(printf '[$add1]%.0s' $(seq 1 25000))"
    printf '%s' '最後の行 [$必要ファイル]'
} | sjis >"$inputs/行末.spd"
printf '%s\r\n' '[$Email] は不明' '[$ソフト名' '[$hp]' | sjis >"$inputs/誤り.spd"
# A plugin Notepad saved in UTF-8 with its mark: a character code page 932 lacks, an unknown
# marker after it, a second mark, which is text.
printf '\xEF\xBB\xBF%s\r\n\xEF\xBB\xBF%s\r\n' '𠮷 [$ソフト名] [$Email]' '[$hp]' >"$inputs/メモ帳.spd"

# --- the cases -----------------------------------------------------------------------------

failures=0
cases=0
setup_side() {
    local side=$1
    rm -rf "$work/$side"
    cp -r "$inputs" "$work/$side"
    mkdir -p "$work/$side/出力"
    printf 'the old Readme\r\n' >"$work/$side/出力/Readme.txt"
}
setup_side linux
setup_side windows

run_side() {
    local side=$1 name=$2; shift 2
    local program=("$linux_cli")
    [ "$side" = windows ] && program=(wine "$windows_cli")
    (cd "$work/$side" && "${program[@]}" "$@" >"../$name.$side.out" 2>"../$name.$side.err" </dev/null)
    echo $? >"$work/$name.$side.code"
}

# same NAME EXPECTED_CODE ARGS...: both programs, one result.
same() {
    local name=$1 expected=$2; shift 2
    cases=$((cases + 1))
    run_side linux "$name" "$@"
    run_side windows "$name" "$@"
    local what bad=0
    for what in code out err; do
        if ! cmp -s "$work/$name.linux.$what" "$work/$name.windows.$what"; then
            echo "same_bytes $name: the $what differs (linux, windows):"
            diff <(od -c "$work/$name.linux.$what" | head -n 20) \
                 <(od -c "$work/$name.windows.$what" | head -n 20) | head -n 20
            bad=1
        fi
    done
    if [ "$(cat "$work/$name.linux.code")" != "$expected" ]; then
        echo "same_bytes $name: exit code $(cat "$work/$name.linux.code"), expected $expected"
        head -c 400 "$work/$name.linux.err"
        bad=1
    fi
    failures=$((failures + bad))
}

for plugin in 標準 シェアウエア English 行末 README.md メモ帳; do
    same "render-$plugin" 0 render --data ソフト表.sft --plugin "$plugin.spd" --lists-dir 一覧表
    same "render-utf8-$plugin" 0 render --data ソフト表.sft --plugin "$plugin.spd" \
        --lists-dir 一覧表 --encoding utf-8
done
# A file written beside the old one and moved over it; a new file in a new name.
same output-replaced 0 render --data ソフト表.sft --plugin 標準.spd --lists-dir 一覧表 \
    --output 出力/Readme.txt
same output-new 0 render --data ソフト表.sft --plugin English.spd --output 出力/新しい.txt
same check-shipped 0 check 標準.spd シェアウエア.spd English.spd
same check-problems 1 check 誤り.spd 行末.spd 標準.spd メモ帳.spd README.md.spd
# A Readme just written, plugins with lines ended by CR alone and in UTF-8, and a missing
# file, which the others are checked after.
same lint 4 lint ない.txt 出力/Readme.txt 行末.spd メモ帳.spd
same utf8-as-cp932 3 render --data ソフト表.sft --plugin メモ帳.spd --encoding cp932
same strict 1 render --strict --data ソフト表.sft --plugin 誤り.spd --output 出力/strict.txt
same show 0 show --data ソフト表.sft --lists-dir 一覧表
same show-json 0 show --data ソフト表.sft --lists-dir 一覧表 --json
same unencodable 3 render --data 壊れ.sft --plugin 標準.spd --output 出力/壊れ.txt
same unencodable-replaced 0 render --data 壊れ.sft --plugin 標準.spd --replace-unencodable \
    --output 出力/壊れ.txt
same old-version 5 show --data 古い.sft
same missing-data 4 render --data ない.sft --plugin 標準.spd
same missing-plugin 4 render --data ソフト表.sft --plugin ない.spd
same missing-lists 4 show --data ソフト表.sft --lists-dir ない
same folder-as-plugin 4 render --data ソフト表.sft --plugin 一覧表
same folder-as-output 4 render --data ソフト表.sft --plugin 標準.spd --output 一覧表
same output-in-missing-folder 4 render --data ソフト表.sft --plugin 標準.spd --output ない/R.txt
same usage 2 render --data ソフト表.sft
same unknown-command 2 convert ソフト表.sft
same version 0 --version
same help 0 --help

# The same files left behind on both sides: the Readmes, and no temporary file.
if ! diff -r "$work/linux" "$work/windows" >"$work/trees.diff"; then
    echo "same_bytes: the files left behind differ:"; head -n 20 "$work/trees.diff"
    failures=$((failures + 1))
fi

# What only Windows has: paths written with "\", and NUL, its null device, which is written
# to as it is and never replaced.
cases=$((cases + 2))
run_side windows backslash render --data .\\ソフト表.sft --plugin 標準.spd --lists-dir 一覧表 \
    --output 出力\\逆斜線.txt
if [ "$(cat "$work/backslash.windows.code")" != 0 ] ||
       ! cmp -s "$work/windows/出力/逆斜線.txt" "$work/linux/出力/Readme.txt"; then
    echo "same_bytes backslash: not the Readme of the same form and plugin" \
        "(exit code $(cat "$work/backslash.windows.code"))"
    cat "$work/backslash.windows.err"; failures=$((failures + 1))
    # Once, on a fresh machine, this ended with 1 and no message: Wine's own errors say why.
    (cd "$work/windows" && WINEDEBUG=err+all wine "$windows_cli" render --data .\\ソフト表.sft \
        --plugin 標準.spd --lists-dir 一覧表 --output 出力\\逆斜線.txt </dev/null 2>&1 | head -n 20)
fi
run_side windows null-device render --data ソフト表.sft --plugin 標準.spd --output NUL
if [ "$(cat "$work/null-device.windows.code")" != 0 ] || [ -s "$work/null-device.windows.out" ] ||
       [ -e "$work/windows/NUL" ]; then
    echo "same_bytes null-device: --output NUL did not go to the null device"
    cat "$work/null-device.windows.err"; failures=$((failures + 1))
fi

echo "same_bytes: $cases cases, $failures differing"
[ "$failures" -eq 0 ]
