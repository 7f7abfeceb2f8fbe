#!/usr/bin/env bash
# Times our imaging kernels against ImageMagick (convert) and libvips (vips) on the same
# 24-megapixel inputs, in the same run, and prints our time as a ratio to each.
#
#   usage: bench/compare_imaging.sh [BUILD_DIR]      (default build/release; needs bin/mw_bench)
#   env:   RUNS=3 (best of N for every timing), CONVERT=convert, VIPS=vips
#
# Method. Our side is timed in-process by Google Benchmark (bench/imaging_bench.cpp, best of
# RUNS repetitions, wall time); it includes allocating the result and every pass over memory.
# The other tools can only be driven as commands that load and save files, so each of their
# operations is timed as a whole command and the cost of the same command doing nothing (a
# plain copy of the same input to the same kind of output) is subtracted. Inputs live on
# tmpfs in each tool's own uncompressed, memory-mapped format (.mpc for ImageMagick, .v for
# libvips), so loading and saving cost little and the subtraction removes what is left. The
# vips shadow needs a chain of commands; there the copy cost is subtracted once per command.
# Both tools use every core, as ours does. Wall time and CPU time (user + system over all
# threads) are both reported: on a machine shared with other work the CPU time is the steadier
# of the two, the wall time is what a user waits.
#
# The operations:
#   lanczos  Lanczos-3 resample 6010 x 4010 -> 6000 x 4000, RGBA
#   shadow   drop shadow: radius (sigma) 4, offsets (5, 5), canvas enlarged, black, 90 %
#   merge    a 6000 x 4000 frame layer with a transparent opening "over" a 6000 x 4000 photo
#   jpegdec  decoding a 6000 x 4000 quality-90 JPEG (the one the benchmark itself encodes)
#   jpegenc  encoding that picture at quality 90
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
bench=$(realpath -m "$build/bin/mw_bench")
runs=${RUNS:-3}
CONVERT=${CONVERT:-convert}
VIPS=${VIPS:-vips}
for tool in "$bench" "$CONVERT" "$VIPS" python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d /dev/shm/mw-compare.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT

# best_of_chain FILE: runs the commands in FILE (one per line, in order) RUNS times and prints
# the best wall time and the best CPU time (user + system, all threads) in seconds.
best_of_chain() {
  python3 - "$runs" "$1" <<'EOF'
import os, shlex, subprocess, sys, time
runs, lines = int(sys.argv[1]), [l for l in open(sys.argv[2]).read().splitlines() if l.strip()]
wall = cpu = None
for _ in range(runs):
    c0 = os.times()
    t = time.perf_counter()
    for l in lines:
        subprocess.run(shlex.split(l), check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t = time.perf_counter() - t
    c1 = os.times()
    c = (c1.children_user - c0.children_user) + (c1.children_system - c0.children_system)
    wall = t if wall is None else min(wall, t)
    cpu = c if cpu is None else min(cpu, c)
print(f"{wall:.4f} {cpu:.4f}")
EOF
}

# best_of CMD...: the same for one command.
best_of() {
  printf '%q ' "$@" > "$work/one.txt"
  best_of_chain "$work/one.txt"
}

# sub "W1 C1" "W2 C2": the difference of two wall/CPU pairs, not below 0.
sub() {
  python3 -c "
import sys
a, b = map(float, sys.argv[1].split()), map(float, sys.argv[2].split())
print(' '.join(f'{max(0.0, x - y):.4f}' for x, y in zip(a, b)))" "$1" "$2"
}

echo "Generating inputs in $work ..."
cd "$work"
# A photo-like RGBA picture (gradient plus noise), opaque, at both sizes; a frame layer with a
# 300 pixel border and a transparent opening.
"$CONVERT" -size 6010x4010 gradient:'#d08040'-'#2050a0' -attenuate 0.3 +noise Gaussian -alpha opaque PNG32:src.png
"$CONVERT" src.png -crop 6000x4000+0+0 +repage PNG32:photo.png
"$CONVERT" -size 5400x3400 xc:none -bordercolor '#8c5028' -compose Copy -border 300 PNG32:frame.png
for f in src photo frame; do
  "$CONVERT" $f.png $f.mpc
  "$VIPS" copy $f.png $f.v
done

echo "Timing our kernels ..."
MW_BENCH_JPEG_OUT="$work/photo.jpg" "$bench" \
  --benchmark_filter='Lanczos3|DropShadow|MergeFrameOverPhoto|JpegDecode|JpegEncode' \
  --benchmark_repetitions="$runs" --benchmark_format=json > ours.json 2>/dev/null
"$CONVERT" photo.jpg jpeg.mpc
"$VIPS" copy photo.jpg jpeg.v
ours() {
  python3 - "$1" <<'EOF'
import json, sys
runs = [b for b in json.load(open("ours.json"))["benchmarks"]
        if b.get("run_type") == "iteration" and sys.argv[1] in b["name"]]
unit = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}
wall = min(b['real_time'] * unit[b['time_unit']] for b in runs)
cpu = min(b['cpu_time'] * unit[b['time_unit']] for b in runs)
print(f"{wall:.4f} {cpu:.4f}")
EOF
}

echo "Timing ImageMagick and libvips (best of $runs) ..."
# --- Lanczos-3 ---
im_copy=$(best_of "$CONVERT" src.mpc out.mpc)
im_lanczos=$(sub "$(best_of "$CONVERT" src.mpc -filter Lanczos -resize '6000x4000!' out.mpc)" "$im_copy")
vips_copy=$(best_of "$VIPS" copy src.v out.v)
scale=$(python3 -c 'print(6000/6010)')
vscale=$(python3 -c 'print(4000/4010)')
vips_lanczos=$(sub "$(best_of "$VIPS" resize src.v out.v "$scale" --vscale "$vscale" --kernel lanczos3)" "$vips_copy")
size=$(vipsheader -f width out.v)x$(vipsheader -f height out.v)
[ "$size" = 6000x4000 ] || echo "warning: vips resize gave $size" >&2

# --- drop shadow ---
im_copy=$(best_of "$CONVERT" photo.mpc out.mpc)
im_shadow=$(sub "$(best_of "$CONVERT" photo.mpc \( +clone -background black -shadow 90x4+5+5 \) +swap \
  -background none -layers merge +repage out.mpc)" "$im_copy")
# vips: enlarge, take alpha, blur, scale by 1/1.2, move, colour it and put the picture over it.
cat > chain.txt <<EOF
$VIPS embed photo.v big.v 15 15 6030 4030
$VIPS extract_band big.v a.v 3
$VIPS gaussblur a.v b.v 4 --precision integer
$VIPS linear b.v c.v 0.8333333 0 --uchar
$VIPS embed c.v d.v 5 5 6030 4030
$VIPS black k.v 6030 4030 --bands 3
$VIPS bandjoin "k.v d.v" s0.v
$VIPS copy s0.v s.v --interpretation srgb
$VIPS composite2 s.v big.v out.v over
EOF
vips_shadow_all=$(best_of_chain chain.txt)
# one command per step doing nothing but load and save that step's (first) input
cat > chain_copy.txt <<EOF
$VIPS copy photo.v out.v
$VIPS copy big.v out.v
$VIPS copy a.v out1.v
$VIPS copy b.v out1.v
$VIPS copy c.v out1.v
$VIPS copy k.v out3.v
$VIPS copy s0.v out.v
$VIPS copy s.v out.v
EOF
vips_shadow=$(sub "$vips_shadow_all" "$(best_of_chain chain_copy.txt)")

# --- merge ---
im_copy=$(best_of "$CONVERT" photo.mpc frame.mpc -delete 1 out.mpc)
im_merge=$(sub "$(best_of "$CONVERT" photo.mpc frame.mpc -composite out.mpc)" "$im_copy")
vips_copy=$(best_of "$VIPS" copy photo.v out.v)
vips_merge=$(sub "$(best_of "$VIPS" composite2 photo.v frame.v out.v over)" "$vips_copy")

# --- JPEG decode and encode (the same file and picture as ours) ---
im_copy=$(best_of "$CONVERT" jpeg.mpc out.mpc)
im_jpegdec=$(sub "$(best_of "$CONVERT" photo.jpg out.mpc)" "$im_copy")
im_jpegenc=$(sub "$(best_of "$CONVERT" jpeg.mpc -quality 90 out.jpg)" "$im_copy")
vips_copy=$(best_of "$VIPS" copy jpeg.v out.v)
vips_jpegdec=$(sub "$(best_of "$VIPS" copy photo.jpg out.v)" "$vips_copy")
vips_jpegenc=$(sub "$(best_of "$VIPS" copy jpeg.v 'out.jpg[Q=90]')" "$vips_copy")

echo
echo "Wall time (s) and CPU time (s, all threads) per operation; ratios are theirs / ours,"
echo "so above 1 means we are faster. Targets: ImageMagick / ours >= 3, libvips / ours >= 1."
printf '%-8s | %-15s | %-15s | %-15s | %-13s | %-13s\n' op "ours wall/cpu" "IM wall/cpu" "vips wall/cpu" "IM/ours w,c" "vips/ours w,c"
row() {
  python3 -c '
import sys
n = sys.argv[1]
o, i, v = (list(map(float, a.split())) for a in sys.argv[2:5])
r = lambda t: f"{t[0] / o[0]:5.1f},{t[1] / o[1]:5.1f}"
f = lambda t: f"{t[0]:7.3f}/{t[1]:7.3f}"
print(f"{n:<8} | {f(o)} | {f(i)} | {f(v)} | {r(i):>13} | {r(v):>13}")' "$@"
}
row lanczos "$(ours Lanczos3)" "$im_lanczos" "$vips_lanczos"
row shadow "$(ours DropShadow)" "$im_shadow" "$vips_shadow"
row merge "$(ours MergeFrameOverPhoto)" "$im_merge" "$vips_merge"
row jpegdec "$(ours JpegDecode)" "$im_jpegdec" "$vips_jpegdec"
row jpegenc "$(ours JpegEncode)" "$im_jpegenc" "$vips_jpegenc"
