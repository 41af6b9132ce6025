#!/usr/bin/env bash
# Renders a fixed set of scenes with the literal reference (one thread, exported tracer) and with
# the default path (all cores, faster tracer), checks that both write identical files, and prints
# the wall times and their ratio, and the processor time of each.
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
# Prints the shortest wall time and the shortest processor time (user + system, all threads) of
# `repeat` runs of the command, in seconds. On a machine shared with other work the processor
# time is the steadier figure; the wall time is what a user waits.
best_times() {
    local wall="" cpu="" TIMEFORMAT='%R %U %S'
    for ((i = 0; i < repeat; i++)); do
        local r u s
        read -r r u s < <({ time "$@" >/dev/null 2>&1; } 2>&1)
        wall=$(awk -v t="$r" -v m="$wall" 'BEGIN { if (m == "" || t < m) m = t; print m }')
        cpu=$(awk -v t="$u" -v k="$s" -v m="$cpu" 'BEGIN { t += k; if (m == "" || t < m) m = t; print m }')
    done
    echo "$wall $cpu"
}
printf '%-52s %8s %8s %6s   %8s %8s\n' "scene" "literal" "fast" "ratio" "cpu lit." "cpu fast"
status=0
for scene in "${scenes[@]}"; do
    # shellcheck disable=SC2086
    read -r literal literalCpu < <(best_times "$tool" $scene --threads 1 --literal --out "$work/literal.png")
    # shellcheck disable=SC2086
    read -r fast fastCpu < <(best_times "$tool" $scene --out "$work/fast.png")
    if ! cmp -s "$work/literal.png" "$work/fast.png"; then
        echo "render_speed: outputs differ for: $scene" >&2
        status=1
    fi
    awk -v s="$scene" -v l="$literal" -v f="$fast" -v lc="$literalCpu" -v fc="$fastCpu" \
        'BEGIN { printf "%-52s %7.2fs %7.2fs %5.1fx   %7.2fs %7.2fs\n", s, l, f, l / f, lc, fc }'
done
exit $status
