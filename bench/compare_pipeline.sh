#!/bin/bash
# Whole-pipeline timing of mountwell-frame against the JPEG codec floor, ImageMagick and libvips.
#
#   bench/compare_pipeline.sh [BUILD_DIR] [WIDTH HEIGHT]
#
# BUILD_DIR (default: build/release) must hold bin/mountwell-frame, bin/frames/ and
# tools/mw-framegen. The photo is a generated landscape JPEG (default 6000 x 4000). Cases:
#   floor        djpeg | cjpeg -quality 90: decoding and encoding alone
#   ours         mountwell-frame, an 8-piece 300 dpi frame without inset offsets at 100 %,
#                "lower-right" shadow depth 5, flattened on white, JPEG quality 90
#   ours-inset   the same with a frame that has inset offsets (the whole photo is resampled)
#   magick       ImageMagick 6 convert: full-size frame PNG over the photo, shadow, flatten
#   vips         the vips command line doing the same; every step writes a .v file, so it is
#                slower than a program using libvips through its C API
# Every case runs REPS times (default 3; REPS_OTHERS, default 1, for magick and vips) and the
# fastest run counts. NO_MAGICK=1 / NO_VIPS=1 leave those out. Peak memory is the maximum
# resident size of the run. KEEP=1 keeps the
# work folder with every output for a look.
set -euo pipefail

BUILD=${1:-build/release}
W=${2:-6000}
H=${3:-4000}
REPS=${REPS:-3}
REPS_OTHERS=${REPS_OTHERS:-1}
FRAME=${FRAME:-Wood/Oak}               # no inset offsets
FRAME_INSET=${FRAME_INSET:-Wood/Walnut} # offsets of its own in Wood/settings.ini
DEPTH=5

TOOL="$BUILD/bin/mountwell-frame"
GEN="$BUILD/tools/mw-framegen"
for f in "$TOOL" "$GEN"; do
  [ -x "$f" ] || { echo "missing $f (build the mountwell-frame target first)" >&2; exit 1; }
done
for c in djpeg cjpeg /usr/bin/time; do
  command -v "$c" >/dev/null || { echo "missing $c" >&2; exit 1; }
done
HAVE_MAGICK=0; command -v convert >/dev/null && HAVE_MAGICK=1
HAVE_VIPS=0; command -v vips >/dev/null && HAVE_VIPS=1
[ -n "${NO_MAGICK:-}" ] && HAVE_MAGICK=0  # it takes minutes at 24 MP
[ -n "${NO_VIPS:-}" ] && HAVE_VIPS=0

T=$(mktemp -d /tmp/mw-bench.XXXXXX)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$T"' EXIT
PHOTO="$T/photo.jpg"
echo "photo: ${W}x${H} generated landscape; work folder $T"
"$GEN" --photo "$W" "$H" "$PHOTO"

# best_of REPS command...: prints "seconds max_rss_kb" of the fastest run.
best_of() {
  local reps=$1; shift
  local best_t="" best_m=""
  for ((i = 0; i < reps; i++)); do
    /usr/bin/time -f "%e %M" -o "$T/time.txt" "$@" >/dev/null 2>"$T/err.txt" || {
      echo "failed: $*" >&2; cat "$T/err.txt" >&2; exit 1; }
    read -r t m < "$T/time.txt"
    if [ -z "$best_t" ] || awk "BEGIN{exit !($t < $best_t)}"; then best_t=$t; best_m=$m; fi
  done
  echo "$best_t $best_m"
}

ratio() { awk "BEGIN{ if ($2 > 0) printf \"%.2f\", $1 / $2; else print \"n/a\" }"; }

OUT_W=$((W + 2 * DEPTH + 20))
OUT_H=$((H + 2 * DEPTH + 20))

read -r floor_t floor_m < <(best_of "$REPS" sh -c "djpeg '$PHOTO' | cjpeg -quality 90 > '$T/floor.jpg'")
read -r ours_t ours_m < <(best_of "$REPS" "$TOOL" --dpi 300 --frame "$FRAME" --shadow lower-right \
  --depth $DEPTH -o "$T/ours.jpg" "$PHOTO")
read -r inset_t inset_m < <(best_of "$REPS" "$TOOL" --dpi 300 --frame "$FRAME_INSET" --shadow lower-right \
  --depth $DEPTH -o "$T/ours-inset.jpg" "$PHOTO")

# The other tools get the assembled frame as one full-size PNG (frame with its inner shadow over
# a transparent photo), made once and not timed.
others=()
if [ $HAVE_MAGICK = 1 ] || [ $HAVE_VIPS = 1 ]; then
  convert -size "${W}x${H}" xc:none "$T/blank.png" 2>/dev/null ||
    vips black "$T/blank.png" "$W" "$H" --bands 4
  "$TOOL" --dpi 300 --frame "$FRAME" --no-flatten -o "$T/frame.png" "$T/blank.png"
fi
if [ $HAVE_MAGICK = 1 ]; then
  read -r magick_t magick_m < <(best_of "$REPS_OTHERS" convert "$PHOTO" "$T/frame.png" -composite \
    \( +clone -background black -shadow 90x4+$DEPTH+$DEPTH \) +swap -background white -layers merge \
    +repage -quality 90 "$T/magick.jpg")
  others+=("magick $magick_t $magick_m")
fi
if [ $HAVE_VIPS = 1 ]; then
  PAD=$((DEPTH + 10))
  cat > "$T/vips.sh" <<EOF
set -e
cd "$T"
vips composite2 "$PHOTO" frame.png v1.v over
vips embed v1.v v2.v $PAD $PAD $OUT_W $OUT_H
vips extract_band v2.v a.v 3
vips gaussblur a.v ab.v 4 --precision integer
vips embed ab.v as.v $DEPTH $DEPTH $OUT_W $OUT_H
vips linear as.v as2.v 0.8333 0 --uchar
vips black blk.v $OUT_W $OUT_H --bands 3
vips bandjoin "blk.v as2.v" sh0.v
vips copy sh0.v sh.v --interpretation srgb
vips composite2 sh.v v2.v v3.v over
vips flatten v3.v "vips.jpg[Q=90]" --background "255 255 255"
rm -f v1.v v2.v a.v ab.v as.v as2.v blk.v sh0.v sh.v v3.v
EOF
  read -r vips_t vips_m < <(best_of "$REPS_OTHERS" sh "$T/vips.sh")
  others+=("vips $vips_t $vips_m")
fi

printf "\n%-12s %9s %10s %14s\n" case seconds "x floor" "peak MB"
printf "%-12s %9s %10s %14s\n" floor "$floor_t" 1.00 "$((floor_m / 1024))"
printf "%-12s %9s %10s %14s\n" ours "$ours_t" "$(ratio "$ours_t" "$floor_t")" "$((ours_m / 1024))"
printf "%-12s %9s %10s %14s\n" ours-inset "$inset_t" "$(ratio "$inset_t" "$floor_t")" "$((inset_m / 1024))"
for o in "${others[@]}"; do
  read -r name t m <<<"$o"
  printf "%-12s %9s %10s %14s\n" "$name" "$t" "$(ratio "$t" "$floor_t")" "$((m / 1024))"
done
echo
echo "output ${OUT_W}x${OUT_H} = $((OUT_W * OUT_H)) pixels"
awk -v m="$ours_m" -v mi="$inset_m" -v px=$((OUT_W * OUT_H)) 'BEGIN{
  printf "ours peak memory: %.1f bytes per output pixel (inset frame: %.1f); target at most 20\n",
         m * 1024 / px, mi * 1024 / px }'
echo "targets: ours at most 2x floor, ours-inset at most 3x floor"
