#!/usr/bin/env python3
"""Writes the software data file the render benchmarks use: a form as a user fills it in,
in code page 932 with CR LF line ends. render_bench.sh gives sed and perl the same values.

usage: make_form.py OUTPUT.sft
"""

import sys

FIELDS = ["テキスト整形ツール", "Ver 2.10", "山田太郎", "Windows 95/98/Me/2000",
          "Windows 98で動作確認済み", "転載後、作者に連絡", "シェアウエア", "\\1,000",
          "taro@example.org", "http://www.example.org/", "テキストを整えます。",
          "ソース&データー", "", "2002/04/01 公開"]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    lines = ['"Norvelle Ver 2.06"'] + ['"%s"' % f for f in FIELDS] + ["0", "4"]
    with open(sys.argv[1], "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp932"))


if __name__ == "__main__":
    main()
