#!/usr/bin/env bash
# Renders a fixed set of scenes with the literal reference (one thread, exported tracer) and with
# the default path (all cores, faster tracer), checks that both write identical files, and prints
# the times and their ratio.
#
# Usage: bench/render_speed.sh [BUILD_DIR]   (default: build)
# Each scene is timed REPEAT times (default 3) and the shortest time is kept, since machines
# shared with others are noisy.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
tool="$build/cli/tavrine-render"
[[ -x "$tool" ]] || { echo "render_speed: $tool not found; build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

scenes=(
    "--stone 0 --size 512 --hq 1 --fire 1 --depth 20"
    "--stone 0 --size 270"
    "--stone 1 --size 270 --hq 1"
    "--stone 2 --size 270 --fire 0 --turn L5U3"
    "--stone 6 --size 270 --backdrop 200,200,200"
    "--stone 4 --model 16 --size 270 --depth 12"
)

repeat=${REPEAT:-3}
# Prints the shortest wall time of `repeat` runs of the command, in seconds.
best_time() {
    local best=""
    for ((i = 0; i < repeat; i++)); do
        local t0 t1
        t0=$(date +%s.%N)
        "$@" >/dev/null
        t1=$(date +%s.%N)
        best=$(awk -v a="$t0" -v b="$t1" -v m="$best" 'BEGIN { t = b - a; if (m == "" || t < m) m = t; print m }')
    done
    echo "$best"
}
printf '%-55s %9s %9s %7s\n' "scene" "literal" "fast" "ratio"
status=0
for scene in "${scenes[@]}"; do
    # shellcheck disable=SC2086
    literal=$(best_time "$tool" $scene --threads 1 --literal --out "$work/literal.png")
    # shellcheck disable=SC2086
    fast=$(best_time "$tool" $scene --out "$work/fast.png")
    if ! cmp -s "$work/literal.png" "$work/fast.png"; then
        echo "render_speed: outputs differ for: $scene" >&2
        status=1
    fi
    awk -v s="$scene" -v l="$literal" -v f="$fast" \
        'BEGIN { printf "%-55s %8.2fs %8.2fs %6.1fx\n", s, l, f, l / f }'
done
exit $status
