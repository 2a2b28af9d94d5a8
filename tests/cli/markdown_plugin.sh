#!/usr/bin/env bash
# The Markdown plugin, rendered by norvelle-cli from a full form, from the form as 新規作成
# leaves it and from a form with every field cleared, read by the Markdown of code hosts
# (cmark-gfm with its autolinks): the headings, the list items and the links must be the
# intended ones, and an empty field leaves no heading of its own and no link to nowhere.
# Usage: markdown_plugin.sh NORVELLE_CLI PLUGIN
set -euo pipefail
cli=$1 plugin=$2
command -v cmark-gfm >/dev/null || { echo "cmark-gfm is missing; scripts/deps.sh lists it" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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

# The document as cmark-gfm reads it, one block a line: a heading with its level, a paragraph,
# a list item; links as [text](destination).
outline() {
    cmark-gfm -e autolink -t xml "$1" | /usr/bin/python3 -c '
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
    local name=$1
    "$cli" render --data "$work/$name.sft" --plugin "$plugin" --output "$work/$name.md"
    if ! diff -u --label expected --label "$name" - <(outline "$work/$name.md"); then
        echo "--- $name.md:" && cat "$work/$name.md"
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
- 料金: \1,200（シェアウエアの場合）
h2 連絡先
- メール: [taro@example.jp](mailto:taro@example.jp)
- ホームページ: [https://example.jp/diary/](https://example.jp/diary/)
p Copyright (C) 山田 太郎
EOF
# The home page's preset "http://" names no page, and is no link.
check new <<'EOF'
h1 Ver
h2 動作環境
- 対応 OS: Windows 95/98/Me
- 動作確認: Windows 98で動作確認済み
- 必要なファイル:
h2 転載と料金
- 転載・再配布: 可
- 種別: フリーウエア
- 料金: \（シェアウエアの場合）
h2 連絡先
- メール:
- ホームページ: http://
p Copyright (C)
EOF
# Only the title is made of fields alone: with no name and no version it is empty.
check empty <<'EOF'
h1
h2 動作環境
- 対応 OS:
- 動作確認:
- 必要なファイル:
h2 転載と料金
- 転載・再配布:
- 種別:
- 料金: （シェアウエアの場合）
h2 連絡先
- メール:
- ホームページ:
p Copyright (C)
EOF
[ "$status" -eq 0 ] && echo "markdown plugin: passed"
exit "$status"
