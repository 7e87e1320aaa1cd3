#!/usr/bin/env bash
# gui_gallery's pages under a virtual X server, kept for a person to look at:
# each run must exit 0 and write a picture.
# Usage: gui_gallery.sh XVFB_RUN GUI_GALLERY OUT_DIR [PAGE...]
# (default pages: resources frame)
set -u
xvfb=$1 gallery=$2 out=$3
shift 3
pages=${*:-resources frame}
mkdir -p "$out" || exit 1
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # Mesa's driver leaks at exit
for page in $pages; do
  shot="$out/gui_gallery_$page.png"
  rm -f "$shot"
  "$xvfb" -a -s "-screen 0 2048x4096x24" "$gallery" "$shot" "$page" || { echo "gui_gallery $page failed"; exit 1; }
  [ -s "$shot" ] || { echo "gui_gallery $page wrote no picture"; exit 1; }
  echo "gui_gallery: $shot"
done
