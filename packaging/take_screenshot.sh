#!/usr/bin/env bash
# Takes the screenshot of the main window that the AppStream metadata shows: the viewer on a
# virtual X display, the sapphire chosen from the stone list, once Space has rendered it (the
# render area then holds the pixels that tavrine-render gives for the same scene).
#
# Usage: packaging/take_screenshot.sh [BUILD_DIR] [OUT.png]  (default build/ and
#        docs/screenshot-main-window.png); needs xvfb-run, xdotool, ImageMagick and a build with
#        its tests (for tests/ui/write_start_settings).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=$(realpath "${2:-$root/docs/screenshot-main-window.png}")

# shellcheck source=scripts/screenshot_support.sh
source "$root/scripts/screenshot_support.sh"
onVirtualDisplay take_screenshot xdotool import compare -- "$0" "$build" "$out"

# ---- On the virtual display -----------------------------------------------------------------
startViewer take_screenshot "$build"
"$build/cli/tavrine-render" --quiet --stone 1 --size 199 --format png24 \
    --out "$work/expected.png"
eval "$(xdotool getwindowgeometry --shell "$window")"
menuHeight=$((HEIGHT - 508))

sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
sleep 0.3
# b opens the stone list: the second stone is the sapphire.
xdotool key b
sleep 0.5
xdotool key Down Return
sleep 0.5
xdotool key space
# The 199 x 199 render area sits at (33, 245) of the client area, under the menu bar.
for _ in $(seq 120); do
    sleep 0.5
    import -window "$window" -crop "199x199+33+$((menuHeight + 245))" +repage "$work/area.png"
    differing=$(compare -metric AE "$work/area.png" "$work/expected.png" null: 2>&1 || true)
    [[ "${differing%% *}" == 0 ]] && break
done
[[ "${differing%% *}" == 0 ]] || { echo "take_screenshot: the picture never came" >&2; exit 1; }
import -window "$window" "$out"
echo "take_screenshot: wrote $out"
