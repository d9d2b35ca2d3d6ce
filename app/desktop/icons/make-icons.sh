#!/usr/bin/env bash
# Regenerates the PNG desktop icons from the two hand-drawn scalable SVGs in hicolor/scalable/.
# Not run by the build: run it by hand after redrawing an SVG, and commit the PNGs it writes.
# Needs rsvg-convert (Debian package librsvg2-bin) and pngfix (Debian package libpng-tools).
set -euo pipefail

cd "$(dirname "$0")"

sizes=(16 24 32 48 64 128 256)
icons=(
  "apps/org.kalvex.Kalvex"
  "mimetypes/application-x-kalvex-scene"
)

for icon in "${icons[@]}"; do
  svg="hicolor/scalable/${icon}.svg"
  for n in "${sizes[@]}"; do
    out="hicolor/${n}x${n}/${icon}.png"
    tmp="${out}.tmp"
    mkdir -p "$(dirname "$out")"
    # 8-bit RGBA, non-interlaced, transparent outside the drawing.
    rsvg-convert --width "$n" --height "$n" --keep-aspect-ratio --format png "$svg" --output "$tmp"
    # Drop ancillary chunks and pick the smallest deflate window.
    pngfix --quiet --strip=all --optimize --out="$out" "$tmp"
    rm -f "$tmp"
    echo "$out: $(stat -c %s "$out") bytes"
  done
done
