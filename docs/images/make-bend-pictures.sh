#!/usr/bin/env bash
# Makes character-bent-arm.png of the modelling guide: the bundled character with
# its left elbow bent 90 degrees, bound without blending (left half) and with
# BLENDWEIGHTS=3 (right half), seen from the front.
#
#   cmake --build build --target ossify bend_mdx
#   bash docs/images/make-bend-pictures.sh [BUILD_DIRECTORY]     (default: build)
#
# Needs F3D and xvfb (scripts/render-preview.sh) and ImageMagick's montage.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
for tool in ossify bend_mdx; do
    [ -x "$build/$tool" ] || { echo "no $build/$tool: cmake --build build --target $tool" >&2; exit 1; }
done
command -v montage >/dev/null || { echo "montage is missing (Debian package imagemagick)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/character.mqo" "$work/"

source "$root/docs/images/picture-jobs.sh"

# Mode 9 twice: the same skeleton, two bindings.
common=(MODE=9 MQO=character.mqo MQOROOTBONE=0 SKELETONMDX=skeleton.mdx)
job rigid "${common[@]}" MDM=rigid.mdm
job blended "${common[@]}" MDM=blended.mdm BLENDWEIGHTS=3

# The forearm and hand turn about the model's up axis (the character is drawn
# lying on its back, facing up), so the forearm points at the head.
"$build/bend_mdx" "$work/skeleton.mdx" "$work/bent.mdx" l_forearm 90 z >/dev/null

# Looking down on the character lying in the viewer (glTF's y is the model's
# front, x its head), framed on the left arm.
camera=("--camera-position=1.6,1.35,0.25" "--camera-focal-point=1.6,0,0.25" "--camera-view-up=1,0,0")
for name in rigid blended; do
    job "$name-bent" MODE=10 MDMSOURCE=$name.mdm MDXSOURCE=bent.mdx PREVIEW=$name-bent.glb
    bash "$root/scripts/render-preview.sh" "$work/$name-bent.glb" "$work/$name.png" 400 480 \
        "${camera[@]}" >/dev/null
done

out="$root/docs/images/character-bent-arm.png"
montage -label 'rigid (no BLENDWEIGHTS)' "$work/rigid.png" -label 'BLENDWEIGHTS=3' \
    "$work/blended.png" -tile 2x1 -geometry +4+0 -pointsize 20 -colors 64 "$out"
echo "wrote $out"
