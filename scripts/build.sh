#!/usr/bin/env bash
# Installs what is missing, then configures and builds Tavrine into build/ (or $TAVRINE_BUILD_DIR).
# TAVRINE_WERROR=ON turns warnings into errors; TAVRINE_SANITIZE='address;undefined' or 'thread'
# builds with sanitizers (into build-address-undefined/ or build-thread/ unless TAVRINE_BUILD_DIR is set).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"

sanitize=${TAVRINE_SANITIZE:-}
default_dir="$root/build"
[[ -n "$sanitize" ]] && default_dir="$root/build-${sanitize//;/-}"
build_dir=${TAVRINE_BUILD_DIR:-$default_dir}

build_type=Release
[[ -n "$sanitize" ]] && build_type=RelWithDebInfo

cmake -S "$root" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE="$build_type" \
    -DTAVRINE_WERROR="${TAVRINE_WERROR:-OFF}" \
    -DTAVRINE_SANITIZE="$sanitize" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
