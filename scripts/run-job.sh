#!/usr/bin/env bash
# Runs one ossify job with the usual exit status: 0 when the job completes, 1
# when it fails. (ossify itself ends with 1 after a completed job and 0 after an
# error, which shells, make and CI read the other way round.) The job runs in
# the directory of its configuration, whose paths are relative to it; the
# calling shell stays where it is.
#
#   bash scripts/run-job.sh CONFIG [OSSIFY_BINARY]     (default binary: build/ossify)
set -uo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: bash scripts/run-job.sh CONFIG [OSSIFY_BINARY]" >&2
    exit 2
fi
tool=$(realpath "${2:-$(dirname "$0")/../build/ossify}") || exit 1
cd "$(dirname "$1")" || exit 1
status=0
"$tool" -cfg "$(basename "$1")" || status=$?
if [ "$status" != 1 ]; then
    echo "run-job.sh: the job of $1 failed (ossify exit status $status)" >&2
    exit 1
fi
