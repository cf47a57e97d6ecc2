# Sourced by the picture scripts beside it: job NAME LINE... writes the
# configuration NAME.cfg in $work and runs it with $build/ossify through
# scripts/run-job.sh; its output (both streams) goes to NAME.log, shown when
# the job fails.
job() {
    local name=$1
    shift
    printf '%s\n' "$@" >"$work/$name.cfg"
    bash "$root/scripts/run-job.sh" "$work/$name.cfg" "$build/ossify" >"$work/$name.log" 2>&1 ||
        { cat "$work/$name.log" >&2; exit 1; }
}
