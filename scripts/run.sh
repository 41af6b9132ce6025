#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tavrine's main job: starts the viewer when a display
# is available, else renders the default diamond headless.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh"
build_dir=${TAVRINE_BUILD_DIR:-$root/build}
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$build_dir/app/ui/tavrine" "$@"
fi
out_dir="$root/out"
mkdir -p "$out_dir"
"$build_dir/cli/tavrine-render" --stone 0 --size 270 --out "$out_dir/diamond.png"
echo "The default diamond is in $out_dir/diamond.png"
echo "No display: start the viewer with $build_dir/app/ui/tavrine on a desktop, or on a virtual"
echo "screen with: xvfb-run -a $build_dir/app/ui/tavrine"
