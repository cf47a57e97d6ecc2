#!/usr/bin/env bash
# Runs every fuzz target once over its seed corpus and its regression inputs
# (fuzz/corpus/NAME), under AddressSanitizer and UndefinedBehaviorSanitizer.
# Fails on any crash, leak, sanitizer report or input slower than 10 seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSSIFY_FUZZ_BUILD:-$root/build-fuzz}
source "$root/fuzz/targets.sh"
build_fuzzers
for target in "${targets[@]}"; do
    corpus=$root/fuzz/corpus/$(corpus_of "$target")
    echo "== $target over $(ls "$corpus" | wc -l) inputs"
    "$build/fuzz/$target" -runs=0 -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 "$corpus" 2>&1 | tail -n 2
done
echo "fuzz corpus regression: all targets clean"
