#!/usr/bin/env bash
# Runs each libFuzzer target for a given time and prints its figures.
#   fuzz/run.sh SECONDS [TARGET...]      targets: version descriptor registry run package image inifile
#                                        (default: all)
# New inputs go to build/fuzz/corpus/TARGET; the committed seeds in fuzz/corpus stay as they are.
# A crash leaves its input in build/fuzz/artifacts and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(version descriptor registry run package image inifile)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
mkdir -p build/fuzz/artifacts
status=0
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus"
    log=build/fuzz/$target.log
    # A package of any size is read in bounded pieces: no input may make the readers allocate more.
    # A disc image's seeds start at its volume descriptors and reach its directories and files.
    limits=(-max_len=4096)
    [ "$target" != package ] || limits=(-malloc_limit_mb=64 -max_len=4096)
    [ "$target" != image ] || limits=(-malloc_limit_mb=64 -max_len=1048576)
    if build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
        "${limits[@]}" \
        -artifact_prefix=build/fuzz/artifacts/"$target"- \
        "$corpus" fuzz/corpus/"$target" >"$log" 2>&1; then
        outcome=ok
    else
        outcome=FAILED
        status=1
        tail -n 40 "$log"
    fi
    executions=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
    rate=$(awk '/stat::average_exec_per_sec/ { print $2 }' "$log")
    echo "fuzz $target: $outcome, $executions executions in ${seconds} s, $rate per second"
done
exit $status
