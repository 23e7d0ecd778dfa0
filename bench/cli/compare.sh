#!/usr/bin/env bash
# Whole-process timings of quorix-cli against srec_cat and python IntelHex on
# the same files: a 64 KiB and a 16 MiB image of random data in contiguous
# 16-byte records (srec_cat puts an 04 record before every 64 KiB). Each tool
# runs RUNS times (15 by default), alternating with its peers, output to
# /dev/null (bench/cli/timing.py); the tables show medians in milliseconds,
# wall clock and CPU, and the peers' times as multiples of quorix-cli's. Then
# the peak resident memory of `quorix-cli text` on the 16 MiB image against
# 2 x (file size + byte text size).
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

tab=$'\t'
timing() { "$python" "$root/bench/cli/timing.py" "$runs"; }
echo "quorix-cli: $cli; $runs runs each, alternating; medians in ms, wall clock / CPU (user + system);" \
  "$(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
echo
echo "| | peer | quorix-cli | peer | peer / quorix-cli |"
echo "|---|---|---|---|---|"
for size in 64K 16M; do
  printf '%s\n' "text, $size image ($(stat -c %s "$size.hex") bytes)" \
    "$cli${tab}text${tab}$size.hex" \
    "srec_cat${tab}$size.hex${tab}-intel${tab}-o${tab}-${tab}-ascii_hex" \
    "$python${tab}intelhex_text.py${tab}$size.hex" ""
done | timing
echo
echo "| | peer | quorix-cli | peer | peer / quorix-cli |"
echo "|---|---|---|---|---|"
for size in 64K 16M; do
  # Eight digits: a 32-bit file, as srec_cat writes one for data beyond 64 KiB.
  if "$cli" hex -a 00000000 "$size.txt" > /dev/null 2> hex.err; then
    printf '%s\n' "hex, $size image ($(stat -c %s "$size.txt") bytes of text)" \
      "$cli${tab}hex${tab}-a${tab}00000000${tab}$size.txt" \
      "srec_cat${tab}$size.bin${tab}-binary${tab}-o${tab}-${tab}-intel${tab}-obs=16" "" | timing
  else
    echo "| hex, $size image | | refused: $(head -n 1 hex.err) | | |"
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
