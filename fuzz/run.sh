#!/bin/sh
# Runs every fuzz target for a while, seeded with the test samples and the
# bad corpus. Usage: fuzz/run.sh BUILD_DIR [SECONDS]; findings land in
# BUILD_DIR/findings/<format>/.
set -eu
build=$1
seconds=${2:-150}
root=$(cd "$(dirname "$0")/.." && pwd)
for format in bmp dib ico png png_words jpeg gif tiff; do
  corpus="$build/corpus/$format"
  findings="$build/findings/$format"
  mkdir -p "$corpus" "$findings"
  case $format in
    bmp | dib) pattern='*.bmp' ;;
    jpeg) pattern='*.jpg' ;;
    tiff) pattern='*.tif' ;;
    png_words) pattern='*.png' ;;
    *) pattern="*.$format" ;;
  esac
  for file in $(find "$root/tests/data/samples" "$root/tests/data/bad" -name "$pattern"); do
    # A packed DIB is a BMP file without its 14-byte file header.
    if [ "$format" = dib ]; then
      tail -c +15 "$file" > "$corpus/$(basename "$file")"
    else
      cp "$file" "$corpus/"
    fi
  done
  "$build/fuzz_$format" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 2>&1 | tail -n 12 || true
done
