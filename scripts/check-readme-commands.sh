#!/usr/bin/env bash
# Runs the README's two set-up commands exactly as written, in a fresh clone of
# the committed tree, in one shell that stops on errors (set -e): the first, then
# the second, then the first again (so both orders are covered). Each must end
# with status 0 and leave the shell where it started. Then the first command
# must fail once the job it runs cannot complete. Builds the project twice.
#
#   bash scripts/check-readme-commands.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
# The first line of each of the first two ```sh blocks of README.md.
mapfile -t commands < <(awk '/^```sh$/ { inside = 1; next }
    inside { print; inside = 0; if (++n == 2) exit }' README.md)
[ ${#commands[@]} = 2 ] || { echo "README.md: two set-up commands not found"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone -q "$repo" "$work/clone"

# One shell for all runs; after each command it reports its status and place.
script="$work/session.sh"
{
    echo 'set -e'
    echo "cd '$work/clone'"
    for i in 0 1 0; do
        echo 'start=$EPOCHREALTIME'
        echo "${commands[$i]}"
        echo 'status=$?'
        echo "echo \"command $((i + 1)): status \$status in \$(pwd), \$(awk -v a=\$start -v b=\$EPOCHREALTIME 'BEGIN { printf \"%.1f\", b - a }') s\" >&3"
    done
} >"$script"
bash "$script" 3>"$work/report" >"$work/log" 2>&1 || {
    tail -20 "$work/log"
    echo "The README's commands stopped the shell (status $?)"
    exit 1
}
cat "$work/report"
expected="status 0 in $work/clone,"
[ "$(grep -c "$expected" "$work/report")" = 3 ] || {
    tail -20 "$work/log"
    echo "A command failed or left the shell elsewhere"
    exit 1
}

# The first command must fail when its job fails.
rm "$work/clone/examples/character.mqo"
if (cd "$work/clone" && set -e && eval "${commands[0]}") >"$work/log" 2>&1; then
    echo "The first command succeeded although its job failed"
    exit 1
fi
echo "README commands: passed"
