#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
set -euo pipefail
packages=()
command -v cmake >/dev/null || packages+=(cmake)
command -v g++ >/dev/null || packages+=(g++)
[ -f /usr/include/gtest/gtest.h ] || packages+=(libgtest-dev)
# An independent MD3 reader, for the test that loads the MD3 files the tool writes.
command -v assimp >/dev/null || packages+=(assimp-utils)
# clang with its libFuzzer and sanitizer runtimes, for the fuzz targets.
command -v clang++ >/dev/null || packages+=(clang)
compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    packages+=(libclang-rt-dev)
# The glTF preview: header-only container and JSON libraries; F3D and a virtual
# display to render previews to pictures; node for the glTF validator.
[ -f /usr/include/tiny_gltf.h ] || packages+=(libtinygltf-dev)
[ -f /usr/include/nlohmann/json.hpp ] || packages+=(nlohmann-json3-dev)
command -v f3d >/dev/null || packages+=(f3d)
command -v xvfb-run >/dev/null || packages+=(xvfb xauth)
command -v npm >/dev/null || packages+=(nodejs npm)
if [ ${#packages[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${packages[@]}"
fi

# The glTF validator the preview tests run, at the version its lock file pins.
(cd "$(dirname "$0")/../tools/gltf-validate" && npm ci --no-audit --no-fund --silent)
