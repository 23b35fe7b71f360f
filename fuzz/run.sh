#!/usr/bin/env bash
# Runs each fuzz harness of a fuzzing build for a while: fuzz/run.sh BUILD-DIR SECONDS.
# Seeds are written afresh by fuzz_seeds; inputs the fuzzer finds interesting are kept
# in BUILD-DIR/fuzz/corpus, and a crashing input lands in BUILD-DIR/fuzz/findings (the
# run then fails). Replay a finding with tests/regressions (see README.md).
set -euo pipefail
build=$1
seconds=$2
work=$build/fuzz
mkdir -p "$work/seeds/sample" "$work/seeds/song"
"$build/bin/fuzz_seeds" "$work/seeds/sample" "$work/seeds/song"

# Leaks inside other libraries are suppressed as in the tests (see tests/lsan.supp).
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/lsan.supp"

declare -A max_len=([sample]=16384 [song]=16384)
status=0
for target in sample song; do
    corpus=$work/corpus/$target
    findings=$work/findings/$target
    log=$work/$target.log
    mkdir -p "$corpus" "$findings"
    echo "fuzzing ${target} loading for ${seconds} s (log: $log)"
    # -timeout: no input may take the library this long; -rss_limit_mb: above the
    # library's own cap of 512 MiB of decoded audio, with the sanitizers' overhead.
    if "$build/bin/${target}_fuzzer" "$corpus" "$work/seeds/$target" \
        -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20 \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
        >"$log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
            "$log" | sed "s/^/  ${target}: /"
    else
        status=1
        echo "  ${target}: FINDING, input in $findings"
        tail -n 60 "$log"
    fi
done
exit $status
