#!/bin/sh
# Writes the small sample pictures under samples/ with ImageMagick's convert,
# so that the tests decode files written by another program. Each sample is
# 8 x 6 pixels; the tests check their pixels against the colours below.
#
#   quadrants.ppm: columns 0-3 / 4-7, rows 0-2 / 3-5
#       red   (255,0,0)   | blue  (0,0,255)
#       green (0,255,0)   | white (255,255,255)
#   grey.pgm: the same quadrants in grey levels 0 | 255 over 96 | 192
#   sixteen.ppm: pixel (x, y) has colour k = (x + 2y) mod 16:
#       red 17k, green 255 - 17k, blue 85 * (k mod 4)
#   wide16.ppm (16-bit samples): left half (65535, 0, 32768), right half (0, 4096, 65535)
#   alpha.pam: the quadrants with alpha 0 | 255 over 128 | 64
#   cmyk.ppm, 4 x 1: (200,100,50) (10,20,30) (250,128,3) (77,160,240), written
#       as CMYK; the tests expect what `convert FILE -colorspace sRGB txt:-`
#       reads back from each file, rounded
set -eu
CONVERT=${CONVERT:-convert}
here=$(cd "$(dirname "$0")" && pwd)
out="$here/samples"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

quadrant_row() {  # left colour, right colour
  echo "$1 $1 $1 $1 $2 $2 $2 $2"
}
{
  echo "P3 8 6 255"
  for y in 0 1 2; do quadrant_row "255 0 0" "0 0 255"; done
  for y in 3 4 5; do quadrant_row "0 255 0" "255 255 255"; done
} > "$tmp/quadrants.ppm"
{
  echo "P2 8 6 255"
  for y in 0 1 2; do quadrant_row 0 255; done
  for y in 3 4 5; do quadrant_row 96 192; done
} > "$tmp/grey.pgm"
{
  echo "P3 8 6 255"
  for y in 0 1 2 3 4 5; do
    for x in 0 1 2 3 4 5 6 7; do
      k=$(( (x + 2 * y) % 16 ))
      printf '%d %d %d  ' $((17 * k)) $((255 - 17 * k)) $((85 * (k % 4)))
    done
    echo
  done
} > "$tmp/sixteen.ppm"
{
  echo "P3 8 6 65535"
  for y in 0 1 2 3 4 5; do quadrant_row "65535 0 32768" "0 4096 65535"; done
} > "$tmp/wide16.ppm"

python3 - "$tmp/alpha.pam" <<'PY'
import sys
rows = [[(255, 0, 0, 0)] * 4 + [(0, 0, 255, 255)] * 4] * 3 + [[(0, 255, 0, 128)] * 4 + [(255, 255, 255, 64)] * 4] * 3
with open(sys.argv[1], "wb") as f:
    f.write(b"P7\nWIDTH 8\nHEIGHT 6\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n")
    f.write(bytes(v for row in rows for px in row for v in px))
PY
echo "P3 4 1 255 200 100 50 10 20 30 250 128 3 77 160 240" > "$tmp/cmyk.ppm"

q="$tmp/quadrants.ppm"
# Timestamps and other metadata are left out so that the files do not change
# between runs.
strip="-strip -define png:exclude-chunks=date,time"

$CONVERT "$q" $strip -interlace PNG PNG24:"$out/interlaced.png"
$CONVERT "$tmp/wide16.ppm" $strip -depth 16 PNG48:"$out/rgb16.png"
$CONVERT "$q" $strip -type Palette PNG8:"$out/palette.png"
$CONVERT "$tmp/grey.pgm" $strip -colorspace Gray -quality 95 "$out/grey.jpg"
$CONVERT "$q" $strip -interlace JPEG -quality 95 -sampling-factor 1x1 "$out/progressive.jpg"
$CONVERT "$q" $strip -quality 95 -sampling-factor 1x1 "$out/baseline.jpg"
$CONVERT "$q" $strip -type Palette -compress RLE BMP3:"$out/rle8.bmp"
$CONVERT "$q" $strip BMP2:"$out/os2.bmp"
$CONVERT "$q" $strip -define bmp:subtype=RGB565 BMP:"$out/rgb565.bmp"
$CONVERT "$q" $strip -type Palette -colors 4 BMP3:"$out/four.bmp"
$CONVERT "$tmp/sixteen.ppm" $strip "$out/sixteen.gif"
$CONVERT "$q" $strip -compress LZW "$out/strips.tif"
$CONVERT "$q" $strip -compress Zip -define tiff:tile-geometry=16x16 "$out/tiles.tif"
$CONVERT "$q" $strip -type Palette -compress None "$out/palette.tif"
$CONVERT "$q" $strip -transparent white "$out/icon.ico"
$CONVERT "$q" $strip -compress None -define tiff:tile-geometry=16x16 "$out/tiles-plain.tif"
$CONVERT "$q" $strip -type Palette -compress None -orient BottomLeft "$out/palette-bottom-left.tif"
$CONVERT "$tmp/alpha.pam" $strip BMP:"$out/alpha.bmp"
$CONVERT "$tmp/alpha.pam" $strip -define bmp:subtype=ARGB4444 BMP:"$out/argb4444.bmp"
$CONVERT "$tmp/cmyk.ppm" $strip -colorspace CMYK -compress None "$out/cmyk.tif"
$CONVERT "$tmp/cmyk.ppm" $strip -colorspace CMYK -quality 100 -sampling-factor 1x1 "$out/cmyk.jpg"
# Three stray bytes after the first segment (APP0), which decoders skip.
python3 - "$out/baseline.jpg" "$out/stray-bytes.jpg" <<'PY'
import sys
d = open(sys.argv[1], "rb").read()
n = 4 + (d[4] << 8 | d[5])
open(sys.argv[2], "wb").write(d[:n] + b"\0\0\0" + d[n:])
PY
