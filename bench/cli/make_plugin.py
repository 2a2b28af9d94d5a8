#!/usr/bin/env python3
"""Writes a large plugin for timing norvelle-cli render: Japanese prose in code page 932 (or
UTF-8) with CR LF line ends, about one known marker every three lines, now and then an unknown or an
unclosed marker, and plenty of ソ and ー, whose second bytes are "\\" and "[".

Every unclosed "[$" stands last on its line and no marker stands inside another, so plain
text substitution (sed, perl) gives the same Readme as the program.

usage: make_plugin.py SIZE_MIB OUTPUT [SEED [ENCODING]]

ENCODING is cp932 (the default) or utf-8; the size is counted in the plugin's own bytes.
"""

import random
import sys

PROSE = [
    "このソフトは、テキストファイルの整形を手早く行うためのツールです。",
    "ソースコードの表示が乱れる場合は、フォントの設定を確認してください。",
    "メニューの「ツール」から「オプション」を選ぶと、設定画面が表示されます。",
    "データーベースのファイルは、終了時に自動的に保存されます。",
    "ご意見・ご感想は、下記のメールアドレスまでお寄せください。",
    "本ソフトを使用したことによるいかなる損害についても、作者は責任を負いません。",
    "コーヒー$1杯分のカンパをいただけると、ソフト開発の励みになります。",
    "表示（ソート順）は、ユーザーごとに保存されます。予定表、ソース、ボーナス。",
    "ソフトウェアの再配布は、ファイルを改変しない限り自由です。",
    "ウィンドウの大きさは、マウスでドラッグして変更できます。",
    "Windows 95/98/Me/2000 で動作します。C:\\Program Files\\ に置いてください。",
    "価格は\\1,000です。カーソルキーで項目を選び、Enterキーで決定します。",
]
KNOWN = ["[$ソフト名]", "[$バージョン]", "[$著作権]", "[$動作環境]", "[$動作確認]",
         "[$必要ファイル]", "[$転載]", "[$種別]", "[$シェア]", "[$email]", "[$hp]",
         "[$add1]", "[$add2]", "[$add3]", "[$add4]"]
UNKNOWN = ["[$未定義の項目]", "[$Email]", "[$]", "[$ ソフト名]", "[$HP]"]
UNCLOSED = ["[$閉じていない", "[$種別", "[$ソフト名"]


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    size = int(float(sys.argv[1]) * 1024 * 1024)
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 7)
    encoding = sys.argv[4] if len(sys.argv) > 4 else "cp932"
    lines = []
    written = 0
    n = 0
    while written < size:
        line = rng.choice(PROSE)
        if n % 3 == 0:
            marker = rng.choice(KNOWN)
            line = marker + "：" + line if rng.random() < 0.3 else line + "　" + marker
        if n % 31 == 0:
            line += " " + rng.choice(UNKNOWN)
        if n % 97 == 0:
            line += " " + rng.choice(UNCLOSED)
        encoded = (line + "\r\n").encode(encoding)
        lines.append(encoded)
        written += len(encoded)
        n += 1
    with open(sys.argv[2], "wb") as f:
        f.write(b"".join(lines))


if __name__ == "__main__":
    main()
