#!/usr/bin/env bash
# Fuzzes zanfo-sim for a bounded time: .mic text loaded and run.
#
#   fuzz/run_sim.sh FUZZER SECONDS [more libFuzzer flags]
#
# As fuzz/run.sh, with its own working corpus, fuzz/corpus-sim/, started
# from every .mic file of the end-to-end cases and the examples.  An input
# that runs longer than 5 s is a hang: the runs stop at 3000 cycles.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzzer=$(realpath "$1")
seconds=$2
shift 2
corpus=fuzz/corpus-sim
artifacts=$(dirname "$fuzzer")/artifacts-sim
mkdir -p "$corpus" "$artifacts"
find tests/e2e examples -name '*.mic' -type f -print0 |
    while IFS= read -r -d '' mic; do
        cp "$mic" "$corpus/start_$(printf '%s' "$mic" | tr '/' '_')"
    done
exec "$fuzzer" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus"
