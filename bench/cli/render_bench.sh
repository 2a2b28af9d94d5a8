#!/usr/bin/env bash
# Times `norvelle-cli render` against the usual shell tools doing the same job on large
# plugins, and checks that the outputs that should match are byte for byte the same.
#
#   bench/cli/render_bench.sh            # 1, 16 and 128 MiB plugins, 5 runs each
#   SIZES="1 16" RUNS=3 bench/cli/render_bench.sh
#   NORVELLE_CLI=/path/to/norvelle-cli BENCH_DIR=/dev/shm/nb bench/cli/render_bench.sh
#
# Without NORVELLE_CLI it builds a release norvelle-cli in build/cli-release. BENCH_DIR holds
# the plugins and outputs (default: a new folder under /tmp, removed at the end). The table
# goes to standard output as Markdown; medians of RUNS runs, MB = 10^6 bytes of plugin.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
sizes=(${SIZES:-1 16 128})
runs=${RUNS:-5}

for tool in python3 iconv; do
  if ! command -v "$tool" >/dev/null; then
    echo "render_bench: $tool is not installed; nothing to measure" >&2
    exit 0
  fi
done
timer=/usr/bin/time
if [[ ! -x $timer ]]; then
  echo "render_bench: /usr/bin/time is missing (apt-get install time); no memory figures" >&2
  timer=""
fi

source "$here/common.sh" bench

# The form. The substitutions below must give the same values as norvelle-cli takes from
# the .sft file (make_form.py): sed and perl get them with "\", "&" and "/" escaped.
declare -A value=(
  [ソフト名]="テキスト整形ツール" [バージョン]="Ver 2.10" [著作権]="山田太郎"
  [動作環境]="Windows 95/98/Me/2000" [動作確認]="Windows 98で動作確認済み"
  [転載]="転載後、作者に連絡" [種別]="シェアウエア" [シェア]='\1,000'
  [email]="taro@example.org" [hp]="http://www.example.org/"
  [add1]="テキストを整えます。" [add2]="ソース&データー" [add3]="" [add4]="2002/04/01 公開"
  [必要ファイル]="Direct X 8.0、MFC42.DLL"
)
python3 "$here/make_form.py" "$work/form.sft"

sed_script=""
perl_script=""
for name in "${!value[@]}"; do
  v=${value[$name]}
  v=${v//\\/\\\\}
  v=${v//&/\\&}
  v=${v//\//\\/}
  sed_script+="s/\\[\\\$$name]/$v/g;"
  pv=${value[$name]}
  pv=${pv//\\/\\\\}
  pv=${pv//\//\\/}
  pv=${pv//@/\\@}
  pv=${pv//\$/\\\$}
  perl_script+="s/\\[\\\$$name\\]/$pv/g;"
done
export sed_script perl_script

# Each command is run by bash with $P the plugin and $O the output; `expect` says what its
# output must equal: the Readme of the first command, or the plugin itself.
names=()
commands=()
expects=()
add() { names+=("$1"); commands+=("$2"); expects+=("$3"); }
add "norvelle-cli render" \
  "\"$cli\" render --data form.sft --lists-dir lists --plugin \"\$P\" --output \"\$O\"" readme
add "norvelle-cli render >stdout" \
  "\"$cli\" render --data form.sft --lists-dir lists --plugin \"\$P\" >\"\$O\"" readme
if command -v sed >/dev/null; then
  add "iconv + sed + iconv" \
    "{ iconv -f CP932 -t UTF-8 \"\$P\" | sed -e \"\$sed_script\"; printf '\\r\\n'; } | iconv -f UTF-8 -t CP932 >\"\$O\"" readme
fi
if command -v perl >/dev/null; then
  add "iconv + perl + iconv" \
    "{ iconv -f CP932 -t UTF-8 \"\$P\" | perl -pe \"\$perl_script\"; printf '\\r\\n'; } | iconv -f UTF-8 -t CP932 >\"\$O\"" readme
fi
add "iconv round trip" "iconv -f CP932 -t UTF-8 \"\$P\" | iconv -f UTF-8 -t CP932 >\"\$O\"" plugin
add "cat" "cat \"\$P\" >\"\$O\"" plugin

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

echo "| plugin | command | median s | MB/s | peak RSS MiB | output |"
echo "|---|---|---:|---:|---:|---|"
for size in "${sizes[@]}"; do
  P="$work/plugin-$size.spd"
  python3 "$here/make_plugin.py" "$size" "$P"
  bytes=$(stat -c %s "$P")
  reference=""
  for c in "${!names[@]}"; do
    name=${names[$c]}
    command=${commands[$c]}
    expect=${expects[$c]}
    O="$work/out-$size.bin"
    export P O
    times=()
    rss=()
    for ((i = 0; i < runs; i++)); do
      rm -f "$O"
      start=$(date +%s%N)
      if [[ -n $timer ]]; then
        $timer -f "%M" -o "$work/rss.txt" bash -c "$command"
        rss+=("$(tail -1 "$work/rss.txt")")
      else
        bash -c "$command"
      fi
      times+=("$(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')")
    done
    t=$(printf '%s\n' "${times[@]}" | median)
    mbs=$(awk -v b="$bytes" -v t="$t" 'BEGIN { printf "%.0f", (t > 0 ? b / 1e6 / t : 0) }')
    mem="n/a"
    if ((${#rss[@]})); then
      mem=$(printf '%s\n' "${rss[@]}" | sort -g | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
    fi
    # The Readmes must all be the same; the round trips must give the plugin back.
    if [[ $expect == plugin ]]; then
      cmp -s "$O" "$P" && same="= plugin" || same="DIFFERS from plugin"
    elif [[ -z $reference ]]; then
      reference="$work/readme-$size.bin"
      mv "$O" "$reference"
      same="reference"
    else
      cmp -s "$O" "$reference" && same="= norvelle-cli" || same="DIFFERS from norvelle-cli"
    fi
    echo "| $((size)) MiB | $name | $t | $mbs | $mem | $same |"
  done
  rm -f "$P" "$work/readme-$size.bin" "$work/out-$size.bin"
done
