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
# 4-bit (16-colour) BMP entries with a 1-bit mask (no alpha, no PNG): every
# Windows version reads them, and each of the ten languages carries its own
# copy, so every byte counts ten times.
convert "$work/carafe-48.png" "$work/carafe-32.png" "$work/carafe-16.png" \
  -background none +dither -colors 15 -compress None -define bmp:format=bmp3 \
  -type PaletteMatte -depth 4 launcher.ico
identify launcher.ico

# The images are stored once (language neutral, icon ids 1 to 3 as the
# resource compiler numbers them); each language carries only this group
# directory pointing at them, written here so that it matches the .ico.
python3 - <<'PY'
import struct
data = open("launcher.ico", "rb").read()
count = struct.unpack_from("<H", data, 4)[0]
lines = []
for index in range(count):
    width, height, colors, _, planes, bits, size, _ = struct.unpack_from("<BBBBHHII", data, 6 + 16 * index)
    lines.append(f"  0x{height:02x}{width:02x}, 0x00{colors:02x}, {planes}, {bits}, {size}L, {index + 1}")
with open("launcher_icon_group.rci", "w") as out:
    out.write("// Written by make_icon.sh from launcher.ico: the icon group directory\n"
              "// (width, height, colours, planes, bits, bytes, image id) of the shared\n"
              "// language-neutral icon images.\n"
              f"IDI_LAUNCHER 14 {{\n  0, 1, {count},\n" + ",\n".join(lines) + "\n}\n")
PY
cat launcher_icon_group.rci
