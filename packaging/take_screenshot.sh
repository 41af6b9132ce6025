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

if [[ "${TAVRINE_SCREENSHOT_INSIDE:-}" != 1 ]]; then
    for tool in xvfb-run xdotool import compare; do
        command -v "$tool" >/dev/null || { echo "take_screenshot: '$tool' not found" >&2; exit 1; }
    done
    TAVRINE_SCREENSHOT_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$0" "$build" "$out"
fi

# ---- On the virtual display -----------------------------------------------------------------
work=$(mktemp -d)
viewer=""
trap '[[ -n "$viewer" ]] && kill "$viewer" 2>/dev/null && wait "$viewer"; rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$build/app/ui/tavrine" "$work/bin/tavrine"
"$build/tests/ui/write_start_settings" "$work/bin/Setting.ini"
"$build/cli/tavrine-render" --quiet --stone 1 --size 199 --format png24 \
    --out "$work/expected.png"

unset QT_QPA_PLATFORM
HOME="$work" XDG_CONFIG_HOME="$work/config" "$work/bin/tavrine" >"$work/viewer.log" 2>&1 &
viewer=$!
window=""
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name 'version 4\.06' 2>/dev/null | head -n 1) || true
    [[ -n "$window" ]] && break
    sleep 0.2
done
[[ -n "$window" ]] || { cat "$work/viewer.log" >&2; echo "take_screenshot: no window" >&2; exit 1; }
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
