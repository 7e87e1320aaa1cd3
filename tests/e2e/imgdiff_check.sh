#!/usr/bin/env bash
# imgdiff on crafted pictures: a grey window with a framed button and a clock.
#   imgdiff_check.sh IMGDIFF CASE    CASE: identical | noise | moved | masked | numbers
# Each case draws a reference and a shot with ImageMagick and expects imgdiff's
# verdict: identical and noise (every channel moved a little) match, a button
# moved by 4 px differs, a changed clock matches only inside its mask; numbers
# checks that a wrong option number is refused.
set -u
imgdiff=$1 case=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
command -v convert > /dev/null || { echo "imagemagick is missing (scripts/setup installs it)"; exit 1; }

# picture OUT BUTTON_X CLOCK_TEXT [EXTRA convert ARGS...]
picture() {
  local out=$1 bx=$2 clock=$3; shift 3
  convert -size 640x480 xc:'#eeeeee' -fill white -stroke black -strokewidth 2 \
    -draw "rectangle $bx,300 $((bx + 200)),360" -stroke none -fill black \
    -draw "rectangle $((bx + 80)),320 $((bx + 120)),340" \
    -draw "rectangle 40,40 $((40 + ${#clock} * 12)),70" "$@" "$out"
}
expect() {  # expect CODE ARGS...: imgdiff's exit code must be CODE
  local want=$1; shift
  "$imgdiff" "$@"; local got=$?
  [ "$got" -eq "$want" ] || { echo "imgdiff_check $case: exit code $got, expected $want"; exit 1; }
}

case $case in
  identical)
    picture "$dir/ref.png" 200 "12:33"
    picture "$dir/shot.png" 200 "12:33"
    expect 0 "$dir/ref.png" "$dir/shot.png" ;;
  noise)
    picture "$dir/ref.png" 200 "12:33"
    picture "$dir/shot.png" 200 "12:33" -evaluate add 4% -seed 7 -attenuate 0.2 +noise Uniform
    expect 0 --diff "$dir/diff.png" "$dir/ref.png" "$dir/shot.png"
    [ -s "$dir/diff.png" ] || { echo "imgdiff_check noise: no diff picture"; exit 1; }
    expect 1 --tolerance 0 "$dir/ref.png" "$dir/shot.png" ;;
  moved)
    picture "$dir/ref.png" 200 "12:33"
    picture "$dir/shot.png" 204 "12:33"
    expect 1 "$dir/ref.png" "$dir/shot.png" ;;
  masked)
    picture "$dir/ref.png" 200 "12:33"
    picture "$dir/shot.png" 200 "12:33:59"
    expect 1 "$dir/ref.png" "$dir/shot.png"
    printf '# the clock\n30 30 200 50\n' > "$dir/masks"
    expect 0 --masks "$dir/masks" "$dir/ref.png" "$dir/shot.png" ;;
  numbers)  # a wrong number is a usage error, never a default
    picture "$dir/ref.png" 200 "12:33"
    cp "$dir/ref.png" "$dir/shot.png"
    for bad in "--share=" "--share=x" "--share=0.5x" "--share=nan" "--share=2" "--tolerance=" "--tolerance=1.5"; do
      expect 2 "$bad" "$dir/ref.png" "$dir/shot.png"
    done
    expect 0 --share 0,5 --tolerance 0 "$dir/ref.png" "$dir/shot.png" ;;
  *) echo "imgdiff_check: unknown case $case"; exit 2 ;;
esac
echo "imgdiff_check $case: ok"
