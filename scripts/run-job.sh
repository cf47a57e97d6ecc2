#!/usr/bin/env bash
# Runs one ossify job with the usual exit status: 0 when the job completes, 1
# when it fails. (ossify itself ends with 1 after a completed job and 0 after an
# error, which shells, make and CI read the other way round.) The job runs in
# the directory of its configuration, whose paths are relative to it; the
# calling shell stays where it is.
#
#   bash scripts/run-job.sh CONFIG [OSSIFY_BINARY]
#
# The default binary is build/ossify of the source tree the script lies in or,
# for an installed copy of the script, the ossify found on the PATH.
set -uo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: bash scripts/run-job.sh CONFIG [OSSIFY_BINARY]" >&2
    exit 2
fi
default_tool=$(dirname "$0")/../build/ossify
if [ $# -lt 2 ] && [ ! -x "$default_tool" ]; then
    default_tool=$(command -v ossify) || {
        echo "run-job.sh: no $default_tool and no ossify on the PATH; name the binary" >&2
        exit 1
    }
fi
tool=$(realpath "${2:-$default_tool}") || exit 1
cd "$(dirname "$1")" || exit 1
status=0
"$tool" -cfg "$(basename "$1")" || status=$?
if [ "$status" != 1 ]; then
    echo "run-job.sh: the job of $1 failed (ossify exit status $status)" >&2
    exit 1
fi
