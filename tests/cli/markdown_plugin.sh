#!/usr/bin/env bash
# The Markdown plugin, rendered by norvelle-cli from a full form, from the form as 新規作成
# leaves it, from a form with every field cleared and from one whose facts are full of
# Markdown's own characters: markdownlint-cli2 (code hosts' linter, its default rules but the
# line length) finds nothing, and plain CommonMark (cmark) and the Markdown of code hosts
# (cmark-gfm with its extensions) read the intended headings, list items and links, with every
# fact shown as typed.
# Usage: markdown_plugin.sh NORVELLE_CLI PLUGIN
set -euo pipefail
cli=$1 plugin=$2
source "$(dirname "$0")/../../scripts/deps.sh"
markdownlint=$(markdownlint_bin)
for tool in cmark cmark-gfm "$markdownlint"; do
    command -v "$tool" >/dev/null || { echo "$tool is missing; scripts/deps.sh installs it" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo '{ "config": { "MD013": false } }' >"$work/.markdownlint-cli2.jsonc"

# form NAME FIELD... POSITION...: a .sft file of the fourteen fields and the needed files.
form() {
    local name=$1
    shift
    { printf '"Norvelle Ver %s"\n' "${NORVELLE_VERSION:?the version of the program}"
      printf '%s\n' "$@"; } | sed 's/$/\r/' |
        iconv -f UTF-8 -t CP932 >"$work/$name.sft"
}
form full '"かんたん日記"' '"Ver 1.20"' '"山田 太郎"' '"Windows 10/11"' \
    '"Windows 11で動作確認済み"' '"転載自由"' '"シェアウエア"' '"\1,200"' '"taro@example.jp"' \
    '"https://example.jp/diary/"' '"一日一行の日記帳です。"' '"検索もできます。"' '""' '""' 0 3
form new '""' '"Ver "' '""' '"Windows 95/98/Me"' '"Windows 98で動作確認済み"' '"可"' \
    '"フリーウエア"' '"\"' '""' '"http://"' '""' '""' '""' '""'
form empty '""' '""' '""' '""' '""' '""' '""' '""' '""' '""' '""' '""' '""' '""'
# The additional items are the author's Markdown; the facts are text, whatever they hold.
form markup '"*Tool* <beta>"' '"1.0 #"' '"_山田_ & Co."' '"Windows [10] | `11`"' \
    '"1. first"' '"- free"' '"> quote"' '"\1,200 ~~x~~"' '"not an address"' \
    '"javascript:alert(1)"' '"**太字**の説明"' '""' '""' '""' 0

# The document as a CommonMark reader reads it, one block a line: a heading with its level, a
# paragraph, a list item; links as [text](destination), strong text as **text**.
outline() {
    "$@" -t xml | /usr/bin/python3 -c '
import sys, xml.etree.ElementTree as ET
ns = "{http://commonmark.org/xml/1.0}"
def inline(node):
    out = ""
    for child in node:
        tag = child.tag[len(ns):]
        if tag == "link":
            out += "[" + inline(child) + "](" + child.get("destination") + ")"
        elif tag in ("text", "code"):
            out += child.text or ""
        elif tag == "strong":
            out += "**" + inline(child) + "**"
        else:
            out += inline(child)
    return out
for block in ET.parse(sys.stdin).getroot():
    tag = block.tag[len(ns):]
    if tag == "heading":
        print(("h" + block.get("level") + " " + inline(block)).rstrip())
    elif tag == "list":
        for item in block:
            print(("- " + " / ".join(inline(p) for p in item)).rstrip())
    else:
        print(tag[0] + " " + inline(block))
'
}

status=0
check() {
    local name=$1 expected reader
    expected=$(cat)
    "$cli" render --data "$work/$name.sft" --plugin "$plugin" --output "$work/$name.md"
    for reader in "cmark" "cmark-gfm -e autolink -e table -e strikethrough -e tagfilter"; do
        # shellcheck disable=SC2086 # the reader's options are words of their own
        if ! diff -u --label expected --label "$name ($reader)" <(printf '%s\n' "$expected" | sed '/^$/d') \
                <(outline $reader "$work/$name.md" | sed '/^$/d'); then
            echo "--- $name.md:" && cat "$work/$name.md"
            status=1
        fi
    done
    if ! (cd "$work" && "$markdownlint" "$name.md" >"$name.lint" 2>&1); then
        echo "--- markdownlint-cli2 on $name.md:" && cat "$work/$name.lint" && cat "$work/$name.md"
        status=1
    fi
}

check full <<'EOF'
h1 かんたん日記 Ver 1.20
p 一日一行の日記帳です。
p 検索もできます。
h2 動作環境
- 対応 OS: Windows 10/11
- 動作確認: Windows 11で動作確認済み
- 必要なファイル: Direct X 8.0、Visual Basicのランタイムライブラリ
h2 転載と料金
- 転載・再配布: 転載自由
- 種別: シェアウエア
- 料金: ¥1,200（シェアウエアの場合）
h2 連絡先
- メール: [taro@example.jp](mailto:taro@example.jp)
- ホームページ: [https://example.jp/diary/](https://example.jp/diary/)
p Copyright (C) 山田 太郎
EOF
# An empty field takes its line with it, and a section left empty its heading; the home
# page's preset "http://" names no page, and is no link.
check new <<'EOF'
h1 Ver
h2 動作環境
- 対応 OS: Windows 95/98/Me
- 動作確認: Windows 98で動作確認済み
h2 転載と料金
- 転載・再配布: 可
- 種別: フリーウエア
- 料金: ¥（シェアウエアの場合）
h2 連絡先
- ホームページ: http://
EOF
check empty </dev/null
if [ -s "$work/empty.md" ]; then
    echo "the empty form's README.md is not empty:" && od -c "$work/empty.md"
    status=1
fi
check markup <<'EOF'
h1 *Tool* <beta> 1.0 #
p **太字**の説明
h2 動作環境
- 対応 OS: Windows [10] | `11`
- 動作確認: 1. first
- 必要なファイル: Direct X 8.0
h2 転載と料金
- 転載・再配布: - free
- 種別: > quote
- 料金: ¥1,200 ~~x~~（シェアウエアの場合）
h2 連絡先
- メール: not an address
- ホームページ: javascript:alert(1)
p Copyright (C) _山田_ & Co.
EOF
[ "$status" -eq 0 ] && echo "markdown plugin: passed"
exit "$status"
