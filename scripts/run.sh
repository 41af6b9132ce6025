#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tavrine's main job: renders the default diamond.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh"
build_dir=${TAVRINE_BUILD_DIR:-$root/build}
out_dir="$root/out"
mkdir -p "$out_dir"
"$build_dir/cli/tavrine-render" --stone 0 --size 270 --out "$out_dir/diamond.png"
echo "The default diamond is in $out_dir/diamond.png"
