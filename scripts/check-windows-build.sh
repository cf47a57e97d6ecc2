#!/usr/bin/env bash
# Cross-builds the Windows executable with MinGW-w64 (warnings are errors) and,
# where wine runs, checks that it does every bundled example job exactly as the
# native build does: the same standard output (line ends aside: a Windows
# console program writes CR LF) and the same bytes in every file written.
#
#   bash scripts/check-windows-build.sh [NATIVE_BINARY]
#
# NATIVE_BINARY defaults to build/ossify, which must exist (the README's build
# command makes it). Installs g++-mingw-w64-x86-64 when it is missing, and wine64
# when wine is missing and apt-get can install it; without wine the comparison
# is skipped with a message and the script still checks the cross build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=$(realpath "${1:-build/ossify}")

apt_install() {
    [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null || return 1
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

command -v x86_64-w64-mingw32-g++ >/dev/null || apt_install g++-mingw-w64-x86-64

echo "== cross build (MinGW-w64, warnings are errors)"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build build-windows -j2
exe=$root/build-windows/ossify.exe

# Debian's wine64 package installs only the loader, /usr/lib/wine/wine64, which
# must be run by that path: started through a link elsewhere it cannot find its
# preloader.
find_wine() {
    if command -v wine >/dev/null; then
        command -v wine
    elif [ -x /usr/lib/wine/wine64 ]; then
        echo /usr/lib/wine/wine64
    fi
}
wine=$(find_wine)
if [ -z "$wine" ]; then
    apt_install wine64 || true
    wine=$(find_wine)
fi
if [ -z "$wine" ]; then
    echo "== wine is not available: the comparison with the native build was skipped"
    exit 0
fi

work=$(mktemp -d)
# wineserver outlives the last program by a few seconds and keeps writing into
# the prefix: stop it before removing the scratch folder, and never let the
# clean-up change the script's verdict.
clean_up() {
    local server
    server=$(command -v wineserver || ls /usr/lib/wine/wineserver64 2>/dev/null || true)
    [ -n "$server" ] && WINEPREFIX=$work/prefix "$server" -k 2>/dev/null || true
    rm -rf "$work" 2>/dev/null || true
}
trap clean_up EXIT
export WINEDEBUG=-all WINEPREFIX=$work/prefix WINEDLLOVERRIDES="mscoree,mshtml="
# Jobs in the order the README runs them: modes 4 to 7 edit the files of modes 1 and 2.
configs=(mode1-mds-to-mdm mode2-mds-to-mdx mode3-mds-to-mdm-and-mdx mode4-replace-mdm-tags
    mode5-replace-mdx-bones mode6-rescale-mdm mode7-rescale-mdx report-mode character-md3
    character-mdm)
for side in native windows; do
    mkdir -p "$work/$side"
    git ls-files -z examples | xargs -0 cp -t "$work/$side"
done

echo "== running the examples natively and under wine"
failed=0
for cfg in "${configs[@]}"; do
    (cd "$work/native" && "$native" -cfg "$cfg.cfg" >"$work/$cfg.native.out") || true
    (cd "$work/windows" && "$wine" "$exe" -cfg "$cfg.cfg" 2>/dev/null | tr -d '\r' \
        >"$work/$cfg.windows.out") || true
    if cmp -s "$work/$cfg.native.out" "$work/$cfg.windows.out"; then
        echo "same output: $cfg"
    else
        echo "DIFFERENT OUTPUT: $cfg"
        diff "$work/$cfg.native.out" "$work/$cfg.windows.out" | head -20
        failed=1
    fi
done
for file in "$work"/native/*; do
    name=$(basename "$file")
    if cmp -s "$file" "$work/windows/$name"; then
        echo "same bytes: $name"
    else
        echo "DIFFERENT FILE: $name"
        failed=1
    fi
done
[ "$(ls "$work/native" | wc -l)" = "$(ls "$work/windows" | wc -l)" ] ||
    { echo "the two runs wrote different sets of files"; failed=1; }
if [ "$failed" = 0 ]; then
    echo "== the Windows build matches the native build on every example"
fi
exit "$failed"
