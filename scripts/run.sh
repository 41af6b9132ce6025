#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tavrine's main job: lists the stones and models.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh"
build_dir=${TAVRINE_BUILD_DIR:-$root/build}
"$build_dir/cli/tavrine-render" --list
