#!/usr/bin/env bash
# The real program under a virtual X server, "-d":
#  1. in an empty folder it must exit 0, leave ".cfg" and a screenshot that
#     shot_check accepts: taken after the demo device has been ready for a
#     while, it shows the box "USB device not found!" with its veil;
#  2. with a ".cfg" of two operators, once Enter has closed that box, the
#     home screen shows both operator rows.
# Usage: gui_smoke.sh XVFB_RUN KESTRUNE SHOT_CHECK [COPY_OF_SHOT [SMOKE_CONFIG]]
set -u
xvfb=$1 program=$2 check=$3 keep=${4:-} config=${5:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # Mesa's driver leaks at exit
fail() { echo "gui_smoke: $*"; exit 1; }
keepShot() { if [ -n "$keep" ]; then mkdir -p "$(dirname "$keep")" && cp "$1" "${keep%.png}$2.png"; fi; }

mkdir "$dir/empty" && cd "$dir/empty" || exit 1
export KESTRUNE_SNAPSHOT="$dir/empty/shot.png"
"$xvfb" -a -s "-screen 0 1280x1024x24" "$program" -d > out.txt 2>&1
code=$?
cat out.txt
[ "$code" -eq 0 ] || fail "exit code $code"
[ -s .cfg ] || fail "no .cfg written"
[ -s shot.png ] || fail "no screenshot"
keepShot shot.png ""
"$check" shot.png 1280 960 veil || fail "screenshot rejected"

if [ -n "$config" ]; then
  command -v xdotool > /dev/null || fail "xdotool is missing (scripts/setup installs it)"
  mkdir "$dir/operators" && cd "$dir/operators" || exit 1
  "$config" .cfg en || fail "no two-operator .cfg"
  export KESTRUNE_SNAPSHOT="$dir/operators/shot.png" KESTRUNE_SNAPSHOT_MS=7000
  # Enter, held a little, every 0.4 s until the box has surely come and gone.
  cat > drive.sh <<EOS
"$program" -d > out.txt 2>&1 &
pid=\$!
sleep 1
for i in \$(seq 12); do xdotool keydown Return; sleep 0.1; xdotool keyup Return; sleep 0.3; done
wait \$pid
EOS
  "$xvfb" -a -s "-screen 0 1280x1024x24" bash drive.sh
  code=$?
  cat out.txt
  [ "$code" -eq 0 ] || fail "operators run: exit code $code"
  [ -s shot.png ] || fail "operators run: no screenshot"
  keepShot shot.png "_operators"
  "$check" shot.png 1280 960 rows 2 || fail "operators run: no operator rows"
fi
echo "gui_smoke: ok"
