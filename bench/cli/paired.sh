#!/usr/bin/env bash
# Times `norvelle-cli render --output` on a large plugin against `cat` of the same plugin to
# the same file system, run after run in turn, so that both see the same load; optionally an
# older norvelle-cli too, in the same rounds, or the same program on the same prose in a UTF-8
# plugin of the same size. Prints each round and then the medians, MB/s, the ratio to cat (the
# median of each round's ratio) and the load average beside them.
#
#   bench/cli/paired.sh                                  # 128 MiB, 10 rounds, in /tmp
#   OLD=build/h-speed-old/cli/norvelle-cli BENCH_DIR=/dev/shm/nb PAIRS=15 bench/cli/paired.sh
#   UTF8=1 bench/cli/paired.sh                           # and a UTF-8 plugin of 128 MiB
#                                                        # (and the older one on it, with OLD)
#
# NORVELLE_CLI is the program measured (default: a release build in build/cli-release, as
# render_bench.sh makes it); OLD, when set, is measured beside it and must write the same
# Readme. UTF8=1 adds a UTF-8 plugin, whose Readme must be the code page 932 one in UTF-8.
# SIZE is the plugin in MiB (make_plugin.py). BENCH_DIR holds the plugin and the
# outputs (default: a new folder under /tmp, removed at the end); its file system is printed.
# MB = 10^6 bytes of plugin; peak RSS is the largest of the rounds.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
size=${SIZE:-128}
pairs=${PAIRS:-10}
timer=/usr/bin/time
if [[ ! -x $timer ]]; then
  echo "paired: /usr/bin/time is missing (apt-get install time)" >&2
  exit 1
fi

old=${OLD:+$(realpath "$OLD")}
source "$here/common.sh" paired
python3 "$here/make_form.py" form.sft
python3 "$here/make_plugin.py" "$size" plugin.spd
bytes=$(stat -c %s plugin.spd)
[[ -n ${UTF8:-} ]] && python3 "$here/make_plugin.py" "$size" plugin-utf8.spd 7 utf-8

names=(cat new)
commands=("cat plugin.spd >out-cat" "\"$cli\" render --data form.sft --lists-dir lists --plugin plugin.spd --output out-new")
if [[ -n $old ]]; then
  names+=(old)
  commands+=("\"$old\" render --data form.sft --lists-dir lists --plugin plugin.spd --output out-old")
fi
if [[ -n ${UTF8:-} ]]; then
  names+=(utf8)
  commands+=("\"$cli\" render --data form.sft --lists-dir lists --plugin plugin-utf8.spd --output out-utf8")
  if [[ -n $old ]]; then
    names+=(old-utf8)
    commands+=("\"$old\" render --data form.sft --lists-dir lists --plugin plugin-utf8.spd --output out-old-utf8")
  fi
fi
n=${#names[@]}

echo "plugin: $size MiB ($bytes bytes) on $(stat -f -c %T .) in $work; $pairs rounds of: ${names[*]}"
echo "new: $cli"
[[ -n $old ]] && echo "old: $old"
printf '%-6s %-4s %8s %9s %8s %s\n' round run seconds "RSS MiB" "MB/s" "load (1 min) before"
results=$work/results.txt  # round name seconds rss-KiB load
: >"$results"
for ((r = 1; r <= pairs; r++)); do
  # A different one goes first each round: the first run after a pause may find the CPU
  # slower or faster.
  for ((k = 0; k < n; k++)); do
    c=$(((k + r) % n))
    name=${names[$c]}
    rm -f "out-$name"
    load=$(cut -d' ' -f1 /proc/loadavg)
    start=$(date +%s%N)
    $timer -f "%M" -o rss.txt bash -c "${commands[$c]}"
    seconds=$(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.4f", ns / 1e9 }')
    rss=$(tail -1 rss.txt)
    echo "$r $name $seconds $rss $load" >>"$results"
    printf '%-6s %-4s %8s %9.1f %8.0f %s\n' "$r" "$name" "$seconds" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" \
      "$(awk -v b="$bytes" -v t="$seconds" 'BEGIN { print b / 1e6 / t }')" "$load"
  done
  cmp -s out-cat plugin.spd || { echo "paired: cat did not copy the plugin" >&2; exit 1; }
  if [[ -n $old ]] && ! cmp -s out-new out-old; then
    echo "paired: the two programs wrote different Readmes (round $r)" >&2
    exit 1
  fi
  # A UTF-8 Readme writes the fee's "\" as the yen sign; a program before that did not.
  if [[ -n $old && -n ${UTF8:-} ]] &&
    ! cmp -s <(sed 's/\xC2\xA5/\\/g' out-utf8) <(sed 's/\xC2\xA5/\\/g' out-old-utf8); then
    echo "paired: the two programs wrote different UTF-8 Readmes (round $r)" >&2
    exit 1
  fi
done
# The same prose, fewer lines of it in as many bytes: the UTF-8 Readme is the start of the code
# page 932 one in UTF-8, up to its final line break, its fee's yen sign read back as the "\"
# it is in code page 932.
[[ -n ${UTF8:-} ]] && sed 's/\xC2\xA5/\\/g' out-utf8 >out-utf8-as-cp932
utf8_text=$(($(stat -c %s out-utf8-as-cp932 2>/dev/null || echo 2) - 2))
if [[ -n ${UTF8:-} ]] &&
  ! cmp -s <(iconv -f CP932 -t UTF-8 out-new | head -c "$utf8_text") <(head -c "$utf8_text" out-utf8-as-cp932); then
  echo "paired: the UTF-8 Readme is not the code page 932 one in UTF-8" >&2
  exit 1
fi

echo
echo "| run | median s | MB/s | ratio to cat (median of rounds) | peak RSS MiB | load average (median, min–max) |"
echo "|---|---:|---:|---:|---:|---|"
for name in "${names[@]}"; do
  awk -v name="$name" -v bytes="$bytes" '
    function median(a, m,   i, j, t) {
      for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
    }
    $2 == "cat" { cat[$1] = $3 }
    $2 == name { t[++m] = $3; round[m] = $1; if ($4 > rss) rss = $4; l[m] = $5
                 if (lo == "" || $5 < lo) lo = $5; if ($5 > hi) hi = $5 }
    END {
      for (i = 1; i <= m; i++) ratio[i] = t[i] / cat[round[i]]
      s = median(t, m)
      printf "| %s | %.3f | %.0f | %.2f | %.1f | %.2f (%.2f–%.2f) |\n", name, s, bytes / 1e6 / s,
             median(ratio, m), rss / 1024, median(l, m), lo, hi
    }' "$results"
done
