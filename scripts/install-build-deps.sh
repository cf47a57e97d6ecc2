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
if [ ${#packages[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${packages[@]}"
fi
