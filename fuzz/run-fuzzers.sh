#!/usr/bin/env bash
# Fuzzes every target for SECONDS (default 600) each, two at a time, starting
# from the seed corpus. New inputs go to build-fuzz/work/NAME; crashes, leaks
# and slow inputs (over 10 seconds) to build-fuzz/findings/NAME. Logs, with
# libFuzzer's final statistics, go to build-fuzz/logs/NAME.log. The targets' own
# standard error (the reader's explanations) is closed; reports still show.
#   fuzz/run-fuzzers.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSSIFY_FUZZ_BUILD:-$root/build-fuzz}
source "$root/fuzz/targets.sh"
seconds=${1:-600}
shift || true
[ $# -gt 0 ] && targets=("$@")
build_fuzzers

run_one() {
    local target=$1 name
    name=$(corpus_of "$target")
    mkdir -p "$build/work/$name" "$build/findings/$name" "$build/logs"
    "$build/fuzz/$target" "$build/work/$name" "$root/fuzz/corpus/$name" \
        -dict="$root/fuzz/dict/${dictionary[$target]}" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 -close_fd_mask=2 \
        -artifact_prefix="$build/findings/$name/" >"$build/logs/$name.log" 2>&1 || true
    echo "== $target: $(grep -E '^(stat::number_of_executed_units|#[0-9]+.*DONE)' \
        "$build/logs/$name.log" | tail -n 1)"
}

for ((i = 0; i < ${#targets[@]}; i += 2)); do
    run_one "${targets[i]}" &
    [ $((i + 1)) -lt ${#targets[@]} ] && run_one "${targets[i + 1]}" &
    wait
done
echo "findings (empty when nothing was found):"
find "$build/findings" -type f | sed 's/^/  /'
