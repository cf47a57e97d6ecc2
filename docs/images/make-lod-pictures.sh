#!/usr/bin/env bash
# Makes character-levels.png of the modelling guide: the bundled character as
# the engine draws it at full detail, at lod 0.6 and at its minimum level of
# detail, rendered from its mode 9 MDM through PREVIEWLOD.
#
#   cmake --build build --target ossify
#   bash docs/images/make-lod-pictures.sh [BUILD_DIRECTORY]     (default: build)
#
# Needs F3D and xvfb (scripts/render-preview.sh) and ImageMagick's montage.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
[ -x "$build/ossify" ] || { echo "no $build/ossify: cmake --build build --target ossify" >&2; exit 1; }
command -v montage >/dev/null || { echo "montage is missing (Debian package imagemagick)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/character.mqo" "$work/"

source "$root/docs/images/picture-jobs.sh"

job model MODE=9 MQO=character.mqo MQOROOTBONE=0 MDM=character.mdm SKELETONMDX=skeleton.mdx
# PREVIEWLOD=1 asks for the coarsest level: every surface stops at its minimum.
camera=("--camera-position=1.0,3.6,0" "--camera-focal-point=1.0,0,0" "--camera-view-up=1,0,0")
for level in 100 60 1; do
    job "lod$level" MODE=10 MDMSOURCE=character.mdm MDXSOURCE=skeleton.mdx \
        PREVIEW=lod$level.glb PREVIEWLOD=$level
    bash "$root/scripts/render-preview.sh" "$work/lod$level.glb" "$work/lod$level.png" 300 420 \
        "${camera[@]}" >/dev/null
done

out="$root/docs/images/character-levels.png"
montage -label 'full detail' "$work/lod100.png" -label 'lod 0.6' "$work/lod60.png" \
    -label 'minimum level of detail' "$work/lod1.png" -tile 3x1 -geometry +4+0 -pointsize 20 \
    -colors 64 "$out"
echo "wrote $out"
