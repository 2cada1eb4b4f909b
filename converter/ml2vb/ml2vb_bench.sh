#!/bin/sh
# ml2vb end to end on ordinary UTF-8 text of 50 MB and 500 MB, beside cat of
# the same file in the same run: elapsed time and peak memory (maximum
# resident set) of each, medians of a few runs. Not a test.
#   converter/ml2vb/ml2vb_bench.sh build/native/converter/ml2vb_release [runs]
# The text goes to a temporary folder, the outputs to /dev/null.
set -eu
ml2vb=${1:?usage: ml2vb_bench.sh path/to/ml2vb [runs]}
runs=${2:-5}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Lines of 20 to 80 characters, now and then a quoted word, an empty line or
# a character beyond ASCII, CR LF line ends: as OrdinaryText, in UTF-8.
python3 - "$dir/text50" <<'PY'
import random, sys
random.seed(1)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(1, 8)))
         for _ in range(5000)] + ['"word"', 'caf\u00e9', '\u20ac5']
lines = []
for _ in range(20000):
    if random.random() < 0.1:
        lines.append('')
        continue
    line = ''
    target = random.randint(20, 80)
    while len(line) < target:
        line += random.choice(words) + ' '
    lines.append(line)
block = ('\r\n'.join(lines) + '\r\n').encode('utf-8')
with open(sys.argv[1], 'wb') as f:
    size = 0
    while size < 50 * 1000 * 1000:
        f.write(block)
        size += len(block)
PY
for k in 1 2 3 4 5 6 7 8 9 10; do cat "$dir/text50"; done > "$dir/text500"

measure() { # label, input file, command...: median time, throughput and peak memory
  label=$1; input=$2; shift 2
  for r in $(seq "$runs"); do
    t0=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$dir/rss" "$@" < "$input" > /dev/null
    t1=$(date +%s%N)
    echo "$(( (t1 - t0) / 1000 )) $(cat "$dir/rss")"
  done | sort -n | awk -v label="$label" -v bytes="$(wc -c < "$input")" '{ t[NR] = $1; m[NR] = $2 }
      END { mid = int((NR + 1) / 2)
            printf "%-22s %8.1f ms  %6.2f GB/s  %6d KB peak\n", label, t[mid] / 1000, bytes / t[mid] / 1000, m[mid] }'
}

for size in 50 500; do
  echo "$size MB ($(wc -c < "$dir/text$size") bytes), medians of $runs:"
  measure "  cat" "$dir/text$size" cat
  measure "  ml2vb" "$dir/text$size" "$ml2vb"
  measure "  ml2vb --statements" "$dir/text$size" "$ml2vb" --statements
  measure "  ml2vb, from a pipe" "$dir/text$size" sh -c "cat | '$ml2vb'"
done
