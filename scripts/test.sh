#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh"

build_dir=${TAVRINE_BUILD_DIR:-$root/build}
[[ -n "${TAVRINE_SANITIZE:-}" && -z "${TAVRINE_BUILD_DIR:-}" ]] && build_dir="$root/build-${TAVRINE_SANITIZE//;/-}"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 300
