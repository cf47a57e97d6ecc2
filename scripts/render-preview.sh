#!/usr/bin/env bash
# Renders a preview (.glb) to a picture with F3D, headless through xvfb-run
# where there is no display.
#
#   bash scripts/render-preview.sh FILE.glb OUT.png [WIDTH HEIGHT [F3D-OPTION...]]
#
# F3D options after the size replace the default camera (e.g.
# --camera-position=X,Y,Z --camera-focal-point=X,Y,Z --camera-view-up=X,Y,Z).
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: $0 FILE.glb OUT.png [WIDTH HEIGHT [F3D-OPTION...]]" >&2
    exit 2
fi
glb=$1
png=$2
width=${3:-640}
height=${4:-800}
shift $(($# < 4 ? $# : 4))
# The default camera looks at the front (glTF's +Z) from a little left of it and
# above.
camera=(--camera-azimuth-angle=30 --camera-elevation-angle=15)
[ $# -eq 0 ] || camera=("$@")
command -v f3d >/dev/null || { echo "f3d is not installed (Debian package f3d)" >&2; exit 1; }
run=()
if [ -z "${DISPLAY:-}" ]; then
    command -v xvfb-run >/dev/null ||
        { echo "no display and no xvfb-run (Debian packages xvfb, xauth)" >&2; exit 1; }
    run=(xvfb-run -a -s "-screen 0 ${width}x${height}x24")
fi
# Edges are drawn so that the triangles show.
"${run[@]}" f3d "$glb" --output="$png" --resolution="$width,$height" --up=+Y \
    "${camera[@]}" --edges --grid --bg-color=1,1,1 --quiet
[ -s "$png" ] || { echo "f3d wrote no picture" >&2; exit 1; }
echo "rendered $png"
