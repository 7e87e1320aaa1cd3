#!/usr/bin/env bash
# The real program under a virtual X server: "-d" in an empty folder must
# exit 0, leave ".cfg" and a screenshot that shot_check accepts: taken after
# the demo device has been ready for a while, it shows the box "USB device
# not found!" with its veil over the screen.
# Usage: gui_smoke.sh XVFB_RUN KESTRUNE SHOT_CHECK [COPY_OF_SHOT]
set -u
xvfb=$1 program=$2 check=$3 keep=${4:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # Mesa's driver leaks at exit
export KESTRUNE_SNAPSHOT="$dir/shot.png"
"$xvfb" -a -s "-screen 0 1280x1024x24" "$program" -d > out.txt 2>&1
code=$?
cat out.txt
fail() { echo "gui_smoke: $*"; exit 1; }
[ "$code" -eq 0 ] || fail "exit code $code"
[ -s .cfg ] || fail "no .cfg written"
[ -s shot.png ] || fail "no screenshot"
if [ -n "$keep" ]; then mkdir -p "$(dirname "$keep")" && cp shot.png "$keep"; fi
"$check" shot.png 1280 960 veil || fail "screenshot rejected"
echo "gui_smoke: ok"
