#!/usr/bin/env bash
# Installs every Debian package that Tavrine's build, tests, benchmarks and viewer need,
# skipping what is already present. Works as root or through sudo. Safe to run repeatedly.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev imagemagick time
    # image library
    libpng-dev libgif-dev
    # viewer
    qt6-base-dev libgl-dev fonts-dejavu-core fonts-ipafont-gothic
    # plots: Qt Charts (its CMake files need Qt OpenGL's) and Qt SVG
    qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
    # headless window tests and screenshots
    xvfb xauth xdotool x11-utils
    # the catalogue's tests: shards under GNU parallel and Slurm, its page in a browser
    parallel slurm-wlm chromium
    # formatting check
    clang-format
    # the fuzz harnesses' smoke run in CI, and building with clang
    clang libclang-rt-14-dev
    # the Debian package: manual pages, its build and checks, the completion and desktop files
    help2man dpkg-dev file lintian appstream bash-completion shared-mime-info
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$pkg")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    echo "setup: all ${#packages[@]} packages present"
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "setup: missing packages (${missing[*]}) and neither root nor sudo is available" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
