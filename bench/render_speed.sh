#!/usr/bin/env bash
# Renders a fixed set of scenes with the literal reference (one thread, exported tracer) and with
# the default path (all cores, faster tracer), checks that both write identical PNG pictures, and
# prints the wall times and their ratio, and the processor time of each.
#
# Usage: bench/render_speed.sh [--models] [BUILD_DIR]   (default: build)
# With --models the scenes are instead every built-in model of the list in one view
# (--stone 0 --model N --size 512 --hq 1).
# Each scene is timed REPEAT times (default 3), the two paths by turns, and the shortest times are
# kept, since machines shared with others are noisy.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
everyModel=0
if [[ ${1:-} == --models ]]; then
    everyModel=1
    shift
fi
build=${1:-$root/build}
tool="$build/cli/tavrine-render"
[[ -x "$tool" ]] || { echo "render_speed: $tool not found; build first" >&2; exit 1; }
tool=$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")
cd "$root"  # the sample designs are named from here
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The scenes of the README's first table (the fourth made larger: at 270 pixels without Fire its
# rendering took less than starting the program and writing the picture), then one for each cut of
# the model list, the polyhedra, the transformable models and the sample designs.
scenes=(
    "--stone 0 --size 512 --hq 1 --fire 1 --depth 20"
    "--stone 0 --size 270"
    "--stone 1 --size 270 --hq 1"
    "--stone 2 --size 512 --hq 1 --fire 0 --turn L5U3"
    "--stone 6 --size 270 --backdrop 200,200,200"
    "--stone 4 --model 16 --size 270 --depth 12"
    "--stone 0 --model 1 --size 320 --hq 1"
    "--stone 7 --size 320 --hq 1"
    "--stone 0 --model 3 --size 320 --hq 1 --turn R3"
    "--stone 0 --model 4 --size 320 --hq 1"
    "--stone 0 --model 5 --size 320 --hq 1 --turn U6"
    "--stone 2 --size 400 --hq 1 --turn L5U3"
    "--stone 3 --size 320 --hq 1"
    "--stone 0 --model 9 --size 320 --hq 1"
    "--stone 5 --size 512 --hq 1"
    "--stone 0 --model 11 --size 320 --hq 1"
    "--stone 4 --size 320 --hq 1"
    "--stone 0 --model 13 --size 512 --hq 1"
    "--stone 0 --model 15 --size 320 --hq 1"
    "--stone 0 --model 23 --size 320 --hq 1"
    "--design examples/round-brilliant.asc --size 320 --hq 1"
    "--design examples/emerald-cut.asc --size 320 --hq 1"
    "--design examples/pear.asc --size 320 --hq 1 --turn U4"
)
if ((everyModel)); then
    scenes=()
    for model in $(seq 0 27); do
        ((model == 22)) && continue  # the list's separator
        scenes+=("--stone 0 --model $model --size 512 --hq 1")
    done
fi

repeat=${REPEAT:-3}
# Prints the wall time and the processor time (user + system, all threads) of one run of the
# command, in seconds; the command's picture goes to standard output and into the file OUT, so
# that no run waits for the disk.
# Usage: times_of OUT COMMAND...
times_of() {
    local out=$1 TIMEFORMAT='%R %U %S' r u s
    shift
    read -r r u s < <({ time "$@" --out - >"$out" 2>/dev/null; } 2>&1)
    awk -v r="$r" -v u="$u" -v s="$s" 'BEGIN { print r, u + s }'
}
# The smaller of two times, the first possibly empty.
least() { awk -v t="$2" -v m="$1" 'BEGIN { if (m == "" || t < m) m = t; print m }'; }

# Each scene is run `repeat` times, the literal reference and the default path by turns, and the
# shortest times are kept: on a machine shared with other work a busy spell then slows both
# alike instead of the one that happened to run in it. The processor time is the steadier
# figure; the wall time is what a user waits.
printf '%-60s %8s %8s %6s   %8s %8s\n' "scene" "literal" "fast" "ratio" "cpu lit." "cpu fast"
status=0
for scene in "${scenes[@]}"; do
    literal="" literalCpu="" fast="" fastCpu=""
    for ((i = 0; i < repeat; i++)); do
        # shellcheck disable=SC2086
        read -r wall cpu < <(times_of "$work/literal.png" "$tool" $scene --threads 1 --literal)
        literal=$(least "$literal" "$wall")
        literalCpu=$(least "$literalCpu" "$cpu")
        # shellcheck disable=SC2086
        read -r wall cpu < <(times_of "$work/fast.png" "$tool" $scene)
        fast=$(least "$fast" "$wall")
        fastCpu=$(least "$fastCpu" "$cpu")
        if ! cmp -s "$work/literal.png" "$work/fast.png"; then
            echo "render_speed: outputs differ for: $scene" >&2
            status=1
        fi
    done
    awk -v s="$scene" -v l="$literal" -v f="$fast" -v lc="$literalCpu" -v fc="$fastCpu" \
        'BEGIN { printf "%-60s %7.3fs %7.3fs %5.1fx   %7.3fs %7.3fs\n", s, l, f, l / f, lc, fc }'
done
exit $status
