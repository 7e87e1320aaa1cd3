#!/usr/bin/env bash
# A screen drawn by gui_gallery (the Editing screen, or SCREEN) over
# Horizontal, Vertical and Console settings, kept for a person to look at: each
# run must exit 0 and write a picture
# build/<flavour>/artifacts/gui_gallery_<screen>_<layout>.png.
# Usage: gui_gallery_editing.sh XVFB_RUN GUI_GALLERY SMOKE_CONFIG OUT_DIR [SCREEN]
set -u
xvfb=$1 gallery=$2 config=$3 out=$4 screen=${5:-editing}
mkdir -p "$out" || exit 1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # Mesa's driver leaks at exit
layouts="horizontal vertical console"
for layout in $layouts; do
  "$config" "$work/$layout.cfg" en "$layout" || { echo "no $layout settings"; exit 1; }
  rm -f "$out/gui_gallery_${screen}_$layout.png"
  "$xvfb" -a -s "-screen 0 1280x1024x24" "$gallery" --screen "$screen" "$work/$layout.cfg" \
      "$out/gui_gallery_${screen}_$layout.png" > "$work/$layout.log" 2>&1 &
done
failed=0
wait || true
for layout in $layouts; do
  shot="$out/gui_gallery_${screen}_$layout.png"
  if [ -s "$shot" ]; then echo "gui_gallery: $shot"; else cat "$work/$layout.log"; echo "no $shot"; failed=1; fi
done
exit $failed
