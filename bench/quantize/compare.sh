#!/usr/bin/env bash
# Compares the 256-colour reduction of DIBto8Bit with ImageMagick's `convert -colors 256
# +dither` by PSNR against the 24-bit original, on the given pictures or, without arguments, on
# a fixed set of generated ones (plasma, noisy gradient, ImageMagick's built-in photographs and,
# when tavrine-render is built, two renders).
#
# Usage: bench/quantize/compare.sh [BUILD_DIR] [PICTURE.png ...]   (default build dir: build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$root/build
if [[ $# -gt 0 && -d "$1" ]]; then
    build=$1
    shift
fi
tool="$build/bench/quantize/tavrine-quantize-psnr"
[[ -x "$tool" ]] || { echo "compare: $tool not found; build first" >&2; exit 1; }
command -v convert >/dev/null || { echo "compare: ImageMagick's convert is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pictures=("$@")
if [[ ${#pictures[@]} -eq 0 ]]; then
    convert -seed 7 -size 512x512 plasma:fractal "$work/plasma.png"
    convert -size 512x512 radial-gradient:navy-gold -seed 3 -attenuate 0.4 +noise Gaussian \
        "$work/gradient_noise.png"
    convert -size 270x270 gradient:black-skyblue -seed 5 -attenuate 0.15 +noise Gaussian \
        -fill 'rgb(250,240,200)' -draw 'polygon 135,30 230,120 135,240 40,120' -blur 0x1.5 \
        "$work/facets.png"
    convert wizard: -resize 512x512 "$work/wizard.png"
    convert rose: -resize 400% "$work/rose.png"
    pictures=("$work"/plasma.png "$work"/gradient_noise.png "$work"/facets.png
              "$work"/wizard.png "$work"/rose.png)
    render="$build/cli/tavrine-render"
    if [[ -x "$render" ]]; then
        "$render" --stone 0 --size 270 --out "$work/render_diamond.png" >/dev/null 2>&1 &&
            pictures+=("$work/render_diamond.png")
        "$render" --stone 1 --size 270 --backdrop 40,60,90 --out "$work/render_sapphire.png" \
            >/dev/null 2>&1 && pictures+=("$work/render_sapphire.png")
    fi
fi

printf '%-22s %9s %12s %12s\n' "picture" "colours" "DIBto8Bit" "ImageMagick"
for picture in "${pictures[@]}"; do
    convert "$picture" -colors 256 +dither "$work/im.png"
    out=$("$tool" "$picture" "$work/im.png")
    colours=$(sed -n '1s/.*: \([0-9]*\) colours/\1/p' <<<"$out")
    ours=$(sed -n '2s/^ *DIBto8Bit *\([^ ]*\) dB.*/\1/p' <<<"$out")
    theirs=$(sed -n '3s/.* \([^ ]*\) dB$/\1/p' <<<"$out")
    printf '%-22s %9s %9s dB %9s dB\n' "$(basename "$picture")" "$colours" "$ours" "$theirs"
done
