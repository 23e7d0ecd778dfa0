#!/usr/bin/env bash
# Whole-process timings of quorix-cli against srec_cat and python IntelHex on
# the same files: a 64 KiB and a 16 MiB image of random data in contiguous
# 16-byte records (srec_cat puts an 04 record before every 64 KiB). Each tool
# runs RUNS times (15 by default), alternating with its peers, output to
# /dev/null; the table shows medians in milliseconds and the peer's time as a
# multiple of quorix-cli's. Then the peak resident memory of `quorix-cli text`
# on the 16 MiB image against 2 x (file size + byte text size).
#
#   bench/cli/compare.sh [quorix-cli binary] [runs]
# Needs srecord and python3-intelhex. Not a test: the figures depend on the machine.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
cli="$(realpath "${1:-$root/build/release/cli/quorix-cli}")"
runs="${2:-15}"
python=python3
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c 'import intelhex' 2>/dev/null; then python="$candidate"; break; fi
done
command -v srec_cat >/dev/null || { echo "compare: srec_cat is missing (apt-get install srecord)" >&2; exit 1; }
"$python" -c 'import intelhex' 2>/dev/null || { echo "compare: python3-intelhex is missing" >&2; exit 1; }
[ -x "$cli" ] || { echo "compare: no program at $cli" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quorix-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The peer's way to the same byte text: load, then every byte from the start
# of the first record's page to the end, unwritten ones as FF.
cat > intelhex_text.py <<'EOF'
import sys
from intelhex import IntelHex
ih = IntelHex(sys.argv[1])
data = ih.tobinstr(start=ih.minaddr() & ~0xFF)
sys.stdout.write(data.hex(" ").upper() + " ")
EOF

for size in 64K 16M; do
  head -c "$size" /dev/urandom > "$size.bin"
  srec_cat "$size.bin" -binary -o "$size.hex" -intel -obs=16
  "$cli" text "$size.hex" > "$size.txt"
done

# Milliseconds one run of the command takes, wall clock.
elapsed() {
  local start=$EPOCHREALTIME
  "$@" > /dev/null
  local end=$EPOCHREALTIME
  echo "$start $end" | awk '{ printf "%.3f\n", ($2 - $1) * 1000 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare LABEL -- OURS... -- PEER1... [-- PEER2...]: one table row.
compare() {
  local label="$1"
  shift 2
  local -a cmds=()
  local cmd=""
  for word in "$@"; do
    if [ "$word" = "--" ]; then cmds+=("$cmd"); cmd=""; else cmd+=" $(printf '%q' "$word")"; fi
  done
  cmds+=("$cmd")
  local i k
  for ((i = 0; i < runs; i++)); do
    for k in "${!cmds[@]}"; do eval "elapsed ${cmds[$k]}" >> "times.$k"; done
  done
  local ours
  ours="$(median < times.0)"
  local row="| $label | $ours"
  for ((k = 1; k < ${#cmds[@]}; k++)); do
    local theirs
    theirs="$(median < "times.$k")"
    row+=" | $theirs | $(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.1fx", a / b }')"
  done
  rm -f times.*
  echo "$row |"
}

echo "quorix-cli: $cli; $runs runs each, medians in ms; $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
echo
echo "| | quorix-cli | srec_cat | quorix-cli faster by | python IntelHex | quorix-cli faster by |"
echo "|---|---|---|---|---|---|"
for size in 64K 16M; do
  compare "text, $size image ($(stat -c %s "$size.hex") bytes)" \
    -- "$cli" text "$size.hex" \
    -- srec_cat "$size.hex" -intel -o - -ascii_hex \
    -- "$python" intelhex_text.py "$size.hex"
done
echo
echo "| | quorix-cli | srec_cat | quorix-cli faster by |"
echo "|---|---|---|---|"
for size in 64K 16M; do
  if "$cli" hex "$size.txt" > /dev/null 2> hex.err; then
    compare "hex, $size image" \
      -- "$cli" hex "$size.txt" \
      -- srec_cat "$size.bin" -binary -o - -intel -obs=16
  else
    echo "| hex, $size image | refused: $(head -n 1 hex.err) | | |"
  fi
done

echo
hex_size=$(stat -c %s 16M.hex)
text_size=$(stat -c %s 16M.txt)
rss_kib=$(/usr/bin/time -f %M "$cli" text 16M.hex 2>&1 > /dev/null | tail -n 1)
limit_kib=$(((2 * (hex_size + text_size)) / 1024))
echo "peak RSS of quorix-cli text on the 16 MiB image: $((rss_kib / 1024)) MiB;" \
  "limit 2 x ($hex_size + $text_size bytes) = $((limit_kib / 1024)) MiB"
[ "$rss_kib" -le "$limit_kib" ] || echo "compare: the peak RSS is above the limit" >&2
