#!/usr/bin/env bash
# Times an automatic capture and the animated GIF made from it, and measures the peak memory of
# compiling a long animation.
#
# Usage: bench/capture/capture_bench.sh [BUILD_DIR]   (default: build)
#   1. a 128-frame capture of the default diamond at 270 x 270 (all cores), then
#   2. the animated GIF of those frames, then
#   3. the peak resident memory (/usr/bin/time -v) of compiling 4096 made-up 512 x 512 frames
#      (set LONG=0 to skip it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
tool="$build/cli/tavrine-render"
frames_tool="$build/bench/capture/tavrine-make-test-frames"
[[ -x "$tool" && -x /usr/bin/time ]] || { echo "capture_bench: $tool not found; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints the wall-clock and the processor seconds (user + system, all threads) of a command;
# on a busy machine the processor time is the steadier figure.
timed() {
    /usr/bin/time -f '%e %U %S' -o "$work/t.txt" "$@" >/dev/null
    awk '{ printf "%6.2fs wall %7.2fs cpu", $1, $2 + $3 }' "$work/t.txt"
}

capture=$(timed "$tool" --capture "$work/diamond.sqi" --frames 128 --size 270)
frames=$(ls "$work"/diamond_F*.gif | wc -l)
compile=$(timed "$tool" --make-gif "$work/diamond.sqi" --out "$work/diamond.gif")
printf '%-58s %s\n' "capture: 128 frames, default diamond, 270 x 270 ($frames files)" "$capture"
printf '%-58s %s\n' "animated GIF of those frames ($(stat -c %s "$work/diamond.gif") bytes)" "$compile"

if [[ "${LONG:-1}" != 0 && -x "$frames_tool" ]]; then
    "$frames_tool" "$work/long" 4096 512 64 >/dev/null
    /usr/bin/time -v "$tool" --make-gif "$work/long.sqi" --out "$work/long.gif" \
        2>"$work/time.txt" >/dev/null
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$work/time.txt")
    printf '%-58s %s KB peak, %s wall\n' "animated GIF of 4096 frames of 512 x 512" "$peak" \
        "$wall"
fi
