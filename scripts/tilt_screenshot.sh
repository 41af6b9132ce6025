#!/usr/bin/env bash
# Takes the screenshot of the Tilt Performance window that the README shows: the viewer on a
# virtual X display with examples/round-brilliant.asc, "ISO (&I)" chosen from View > Lighting and
# View > "Tilt Performance... (&T)" opened, once its sweep has ended.
#
# Usage: scripts/tilt_screenshot.sh [BUILD_DIR] [OUT.png]  (default build/ and
#        docs/tilt-performance-window.png); needs xvfb-run, xdotool, ImageMagick and a build with
#        its tests (for tests/ui/write_start_settings).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=$(realpath "${2:-$root/docs/tilt-performance-window.png}")

# shellcheck source=scripts/screenshot_support.sh
source "$root/scripts/screenshot_support.sh"
onVirtualDisplay tilt_screenshot xdotool import -- "$0" "$build" "$out"

# ---- On the virtual display -----------------------------------------------------------------
startViewer tilt_screenshot "$build" "$root/examples/round-brilliant.asc"
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
sleep 0.3
# The View menu: Show Title, RenderWnd As TopMost, Live Ray-trace, Face Up, Lighting, Tilt
# Performance; the Lighting submenu: Studio, ISO, COS.
xdotool key alt+v
sleep 0.4
xdotool key Down Down Down Down Right
sleep 0.4
xdotool key Down Return
sleep 0.4
xdotool key alt+v
sleep 0.4
xdotool key Down Down Down Down Down Return
tilt=""
for _ in $(seq 100); do
    sleep 0.3
    tilt=$(xdotool search --onlyvisible --name '^Tilt Performance$' 2>/dev/null | head -n 1) || true
    [[ -n "$tilt" ]] && break
done
[[ -n "$tilt" ]] || { echo "tilt_screenshot: the window did not open" >&2; exit 1; }
# The sweep of the 199-pixel pictures ends well within a few seconds.
sleep 4
import -window "$tilt" "$out"
echo "tilt_screenshot: wrote $out"
