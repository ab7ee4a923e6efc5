#!/usr/bin/env bash
# Draws the launcher's icon (a glass carafe, half full, with a stopper) and
# writes launcher.ico with 48, 32 and 16 pixel images. Run it again after
# changing the drawing; the .ico it writes is committed.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn at 192 pixels (4 x 48) and scaled down, so the edges are smooth.
convert -size 192x192 xc:none \
  -stroke '#1d3557' -strokewidth 8 -fill '#dcecf7' \
  -draw "path 'M 80,20 L 112,20 L 112,62 C 150,82 168,112 168,140 C 168,170 146,184 96,184 C 46,184 24,170 24,140 C 24,112 42,82 80,62 Z'" \
  -stroke none -fill '#7b3f1d' \
  -draw "path 'M 31,124 C 70,116 122,132 161,124 C 164,130 164,135 164,140 C 164,166 144,180 96,180 C 48,180 28,166 28,140 C 28,135 28,130 31,124 Z'" \
  -fill '#ffffff' -draw "roundrectangle 44,100 54,150 5,5" \
  -stroke '#1d3557' -strokewidth 6 -fill '#c98a4b' \
  -draw "roundrectangle 72,6 120,26 6,6" \
  "$work/carafe.png"

for size in 48 32 16; do
  convert "$work/carafe.png" -filter Lanczos -resize ${size}x${size} \
    -channel A -threshold 40% +channel "$work/carafe-$size.png"
done
# 8-bit paletted BMP entries with a 1-bit mask (no alpha, no PNG): every
# Windows version reads them, and ten languages carry them cheaply.
convert "$work/carafe-48.png" "$work/carafe-32.png" "$work/carafe-16.png" \
  -background none -type PaletteMatte -colors 255 -compress None launcher.ico
identify launcher.ico
