#!/usr/bin/env bash
# Fuzzes zanfo-dump's reader and decoder for a bounded time:
#
#   fuzz/run_dump.sh FUZZER SECONDS [more libFuzzer flags]
#
# As fuzz/run.sh, with its own working corpus, fuzz/corpus-dump/, started
# from every .mic file of the end-to-end cases and the examples.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzzer=$(realpath "$1")
seconds=$2
shift 2
corpus=fuzz/corpus-dump
artifacts=$(dirname "$fuzzer")/artifacts-dump
mkdir -p "$corpus" "$artifacts"
find tests/e2e examples -name '*.mic' -type f -print0 |
    while IFS= read -r -d '' mic; do
        cp "$mic" "$corpus/start_$(printf '%s' "$mic" | tr '/' '_')"
    done
exec "$fuzzer" -max_len=2048 -timeout=5 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus"
