#!/usr/bin/env bash
# Draws the program icon (an integrated circuit with byte cells on it) with
# ImageMagick at 256 x 256 and scales it to the sizes that ship. Run it again
# only when the design changes; the PNG files are committed.
set -euo pipefail
cd "$(dirname "$0")/icons"
font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf
# The sizes that ship are listed once, in ui/CMakeLists.txt.
read -ra sizes < <(sed -n 's/^set(QUORIX_ICON_SIZES \(.*\))$/\1/p' ../../CMakeLists.txt)
[ "${#sizes[@]}" -gt 0 ] || { echo "make-icons: no QUORIX_ICON_SIZES in ui/CMakeLists.txt" >&2; exit 1; }

pins=""
for i in 0 1 2 3; do
  y=$((70 + i * 36))
  pins+=" roundrectangle 20,$y 60,$((y + 16)) 4,4"
  pins+=" roundrectangle 196,$y 236,$((y + 16)) 4,4"
done

convert -size 256x256 xc:none \
  -fill '#b8c2cc' -stroke '#56616b' -strokewidth 3 -draw "$pins" \
  -fill '#243b53' -stroke '#102a43' -strokewidth 6 -draw "roundrectangle 50,34 206,222 18,18" \
  -fill '#f0b429' -stroke none -draw "circle 78,62 86,62" \
  -fill '#ffffff' -font "$font" -pointsize 58 -gravity center -annotate +0-22 '3A' \
  -fill '#9fe8c6' -pointsize 58 -annotate +0+40 '0F' \
  quorix-256.png

for size in "${sizes[@]}"; do
  [ "$size" -eq 256 ] && continue
  convert quorix-256.png -filter Lanczos -resize "${size}x${size}" -strip "quorix-$size.png"
done
convert quorix-256.png -strip quorix-256.png
