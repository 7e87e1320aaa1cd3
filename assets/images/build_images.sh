#!/usr/bin/env bash
# Renders the interface pictures into PNG files.
#   build_images.sh [OUT_DIR]      (default: this folder, the committed pictures)
# Every picture has one SVG source named "<key>-<name>.svg": hand-written ones in
# src/, computed ones written by gen_images.py.  Each is rendered at the size its
# SVG declares.  The dial face is a tint mask: the program takes its red channel
# as coverage, so it is stored as an opaque grey image.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here}"
mkdir -p "$out"
command -v rsvg-convert >/dev/null || { echo "build_images.sh: rsvg-convert missing (librsvg2-bin)" >&2; exit 1; }
python=/usr/bin/python3
[ -x "$python" ] || python=python3

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$python" "$here/gen_images.py" svg "$work"

tint_masks="179E43B"
for svg in "$here"/src/*.svg "$work"/*.svg; do
  name="$(basename "$svg" .svg)"
  key="${name%%-*}"
  if [[ " $tint_masks " == *" $key "* ]]; then
    rsvg-convert --background-color=black -o "$work/$name.rgba.png" "$svg"
    "$python" "$here/gen_images.py" grey "$work/$name.rgba.png" "$out/$name.png"
  else
    rsvg-convert -o "$out/$name.png" "$svg"
  fi
done
