#!/bin/sh
# ml2vb end to end, beside cat of the same file in the same run: elapsed
# time, throughput, the ratio to cat and peak memory (maximum resident set),
# medians of a few runs. Not a test.
#   converter/ml2vb/ml2vb_bench.sh path/to/ml2vb_release [runs] [sizes in MB]
# Four texts of the same size: English (ordinary text, nearly all ASCII),
# French-like (an accented letter in one word of five), Russian-like
# (Cyrillic words, ASCII punctuation and digits) and Japanese-like
# (characters of three bytes, ASCII digits and punctuation); and, for
# --decode, the expression and the statements made from the English one.
# --statements runs in the code page such text would be kept in: 1252,
# 1251 for the Russian-like text, 932 for the Japanese-like one.
# The texts go to a temporary folder, the outputs to /dev/null.
set -eu
ml2vb=${1:?usage: ml2vb_bench.sh path/to/ml2vb [runs] [sizes]}
runs=${2:-5}
sizes=${3:-50 500}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Lines of 20 to 80 characters, now and then a quoted word or an empty
# line, CR LF line ends, in UTF-8; written to 50 MB.
python3 - "$dir" <<'PY'
import random, sys
dir = sys.argv[1]

def in_cp932(c):
    try:
        c.encode('cp932')
        return True
    except UnicodeEncodeError:
        return False

def latin(rng, n):
    return ''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(n))

def english(rng):
    words = [latin(rng, rng.randint(1, 8)) for _ in range(5000)] + ['"word"', 'caf\u00e9', '\u20ac5']
    return lambda: rng.choice(words)

def french(rng):
    accents = '\u00e9\u00e8\u00e0\u00e7\u00f4\u00ea\u00e2\u00ee\u00fb\u00f9'
    def word():
        w = latin(rng, rng.randint(1, 8))
        if rng.random() < 0.2:
            k = rng.randrange(len(w))
            w = w[:k] + rng.choice(accents) + w[k + 1:]
        return w + rng.choice(['', '', '', ',', '.', '"'])
    return word

def russian(rng):
    cyrillic = ''.join(chr(c) for c in range(0x430, 0x450))
    def word():
        if rng.random() < 0.05:
            return str(rng.randint(0, 2000))
        return ''.join(rng.choice(cyrillic) for _ in range(rng.randint(1, 9))) + rng.choice(['', '', '', ',', '.'])
    return word

def japanese(rng):
    # Kana and the first 128 kanji that code page 932 holds, as Japanese
    # text kept in that code page would have.
    kanji = [chr(c) for c in range(0x4E00, 0x9FA0) if in_cp932(chr(c))][:128]
    kana = [chr(c) for c in range(0x3042, 0x3094)] + kanji
    def word():
        if rng.random() < 0.1:
            return str(rng.randint(0, 2000)) + rng.choice(['', '.', ','])
        return ''.join(rng.choice(kana) for _ in range(rng.randint(2, 12))) + rng.choice(['', '\u3002', '\u3001', '!'])
    return word

for name, make in [('english', english), ('french', french), ('russian', russian), ('japanese', japanese)]:
    rng = random.Random(1)
    word = make(rng)
    lines = []
    for _ in range(20000):
        if rng.random() < 0.1:
            lines.append('')
            continue
        line = ''
        target = rng.randint(20, 80)
        while len(line) < target:
            line += word() + ('' if name == 'japanese' else ' ')
        lines.append(line)
    block = ('\r\n'.join(lines) + '\r\n').encode('utf-8')
    with open(f'{dir}/{name}50', 'wb') as f:
        f.write((block * (50 * 1000 * 1000 // len(block) + 1))[:50 * 1000 * 1000])
PY
# Cut at a line end, so that no sequence is cut off.
for name in english french russian japanese; do
  python3 - "$dir/${name}50" <<'PY'
import sys
p = sys.argv[1]
data = open(p, 'rb').read()
open(p, 'wb').write(data[:data.rindex(b'\r\n') + 2])
PY
done

measure() { # label, input file, command...: median time, throughput, ratio to cat, peak memory
  label=$1; input=$2; shift 2
  for r in $(seq "$runs"); do
    t0=$(date +%s%N)
    # A run that fails would time nothing worth a figure.
    /usr/bin/time -f '%M' -o "$dir/rss" "$@" < "$input" > /dev/null || : > "$dir/failed"
    t1=$(date +%s%N)
    echo "$(( (t1 - t0) / 1000 )) $(cat "$dir/rss")"
  done | sort -n | awk -v label="$label" -v bytes="$(wc -c < "$input")" -v cat="${cat_us:-0}" '{ t[NR] = $1; m[NR] = $2 }
      END { mid = int((NR + 1) / 2)
            ratio = cat > 0 ? sprintf("%5.1fx cat", t[mid] / cat) : ""
            printf "%-30s %8.1f ms  %6.2f GB/s  %s  %6d KB peak\n", label, t[mid] / 1000, bytes / t[mid] / 1000, ratio, m[mid]
            print t[mid] > "/dev/stderr" }' 2> "$dir/median"
  if [ -e "$dir/failed" ]; then
    echo "$label: the command failed on $input" >&2
    exit 1
  fi
}


for size in $sizes; do
  for name in english french russian japanese; do
    if [ "$size" != 50 ]; then
      for k in $(seq $((size / 50))); do cat "$dir/${name}50"; done > "$dir/$name$size"
    fi
  done
  "$ml2vb" < "$dir/english$size" > "$dir/expression$size"
  "$ml2vb" --statements < "$dir/english$size" > "$dir/statements$size"
  echo "$size MB, medians of $runs:"
  for name in english french russian japanese; do
    codepage=1252
    [ "$name" = russian ] && codepage=1251
    [ "$name" = japanese ] && codepage=932
    echo " $name ($(wc -c < "$dir/$name$size") bytes)"
    cat_us=
    measure "  cat" "$dir/$name$size" cat
    cat_us=$(cat "$dir/median")
    measure "  ml2vb" "$dir/$name$size" "$ml2vb"
    measure "  ml2vb --statements (cp $codepage)" "$dir/$name$size" "$ml2vb" --statements --codepage $codepage
    if [ "$name" = english ]; then
      measure "  ml2vb, from a pipe" "$dir/$name$size" sh -c "cat | '$ml2vb'"
    fi
  done
  for form in expression statements; do
    echo " the $form from the English text ($(wc -c < "$dir/$form$size") bytes)"
    cat_us=
    measure "  cat" "$dir/$form$size" cat
    cat_us=$(cat "$dir/median")
    measure "  ml2vb --decode" "$dir/$form$size" "$ml2vb" --decode
  done
  [ "$size" = 50 ] || rm -f "$dir"/*"$size"
done
