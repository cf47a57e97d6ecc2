#!/usr/bin/env bash
# Runs every bundled example job, in the order the README gives them (modes 4 to 7
# edit the files of modes 1 and 2), in a scratch copy of examples/, and fails
# unless each one completes (scripts/run-job.sh reads the tool's exit status).
#
#   bash scripts/run-examples.sh [OSSIFY_BINARY]
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "${1:-build/ossify}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/* "$work"
failed=0
for cfg in mode1-mds-to-mdm mode2-mds-to-mdx mode3-mds-to-mdm-and-mdx mode4-replace-mdm-tags \
    mode5-replace-mdx-bones mode6-rescale-mdm mode7-rescale-mdx report-mode character-md3 \
    character-mdm character-skeleton character-to-modeller character-md3-to-modeller \
    rigged-mdm character-bind; do
    if bash scripts/run-job.sh "$work/$cfg.cfg" "$tool" >"$work/$cfg.out" 2>&1; then
        echo "completed: $cfg"
    else
        echo "FAILED: $cfg"
        tail -5 "$work/$cfg.out"
        failed=1
    fi
done
exit "$failed"
