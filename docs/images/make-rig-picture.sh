#!/usr/bin/env bash
# Makes rig-raised-arm.png of the modelling guide: the shared rigged character
# wild_dsan_bones.mqo converted with RIG=1, its left upper arm raised 70 degrees
# with the posing module, seen from the front. The anchors keep the body where
# it was drawn.
#
#   cmake --build build --target ossify bend_mdx
#   bash docs/images/make-rig-picture.sh [BUILD_DIRECTORY]     (default: build)
#
# Needs F3D and xvfb (scripts/render-preview.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
for tool in ossify bend_mdx; do
    [ -x "$build/$tool" ] || { echo "no $build/$tool: cmake --build build --target $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/tests/mqo/data/wild_dsan_bones.mqo" "$work/"

source "$root/docs/images/picture-jobs.sh"

job rig MODE=9 MQO=wild_dsan_bones.mqo RIG=1 MDM=rig.mdm SKELETONMDX=rig.mdx
# The model is drawn y up with its arms along x: turning the left upper arm's
# subtree about z raises it.
"$build/bend_mdx" "$work/rig.mdx" "$work/raised.mdx" "ArmA[L]" 70 z >/dev/null
job raised MODE=10 MDMSOURCE=rig.mdm MDXSOURCE=raised.mdx PREVIEW=raised.glb

# The figure lies in the viewer as the engine takes it (its drawn up is glTF's
# x); look at its front from above, its head up.
camera=("--camera-position=-0.11,2.2,0" "--camera-focal-point=-0.11,0,0" "--camera-view-up=1,0,0")
out="$root/docs/images/rig-raised-arm.png"
bash "$root/scripts/render-preview.sh" "$work/raised.glb" "$out" 480 560 "${camera[@]}" >/dev/null
echo "wrote $out"
