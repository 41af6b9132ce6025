#!/usr/bin/env bash
# Installs what is missing, builds Tavrine, and packs it as a Debian package in dist/
# (tavrine_VERSION_ARCH.deb), then checks the package with lintian: an error fails the script.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh"
build_dir=${TAVRINE_BUILD_DIR:-$root/build}
[[ -n "${TAVRINE_SANITIZE:-}" && -z "${TAVRINE_BUILD_DIR:-}" ]] && build_dir="$root/build-${TAVRINE_SANITIZE//;/-}"

# cpack stages the installed files beside the package it writes: it works in the build folder,
# and only the package goes to dist/.
staging="$build_dir/package"
rm -rf "$staging"
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$staging" >/dev/null
packages=("$staging"/tavrine_*.deb)
[[ ${#packages[@]} -eq 1 && -f "${packages[0]}" ]] || {
    echo "package: cpack made no single tavrine_*.deb in $staging" >&2
    exit 1
}
mkdir -p "$root/dist"
rm -f "$root"/dist/tavrine_*.deb
package="$root/dist/${packages[0]##*/}"
mv "${packages[0]}" "$package"
echo "package: $package ($(du -k "$package" | cut -f1) KiB)"

# lintian refuses nothing as root but says it is not recommended; that line is dropped.
report=$(lintian --tag-display-limit 0 "$package" 2>&1 | grep -v '^running with root privileges' || true)
[[ -n "$report" ]] && echo "$report"
if grep -q '^E: ' <<<"$report"; then
    echo "package: lintian reports errors" >&2
    exit 1
fi
echo "package: lintian: $(grep -c '^E: ' <<<"$report") errors, $(grep -c '^W: ' <<<"$report") warnings"
