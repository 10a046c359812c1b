#!/usr/bin/env bash
# Fuzzes a companion command's target that reads .mic text, for a bounded
# time:
#
#   fuzz/run_mic.sh NAME FUZZER SECONDS [more libFuzzer flags]
#
# NAME is dump (zanfo-dump's reader and decoder), sim (zanfo-sim loading
# and running the words, each run stopped at 3000 cycles, so an input that
# takes longer than 5 s is a hang), check (zanfo-check's analysis) or prove
# (zanfo-prove's property reader).  As fuzz/run.sh, with a working corpus of
# its own, fuzz/corpus-NAME/, started from every .mic file of the end-to-end
# cases and the examples (for check, every source too; for prove, the
# property files instead).
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1
fuzzer=$(realpath "$2")
seconds=$3
shift 3
corpus=fuzz/corpus-$name
artifacts=$(dirname "$fuzzer")/artifacts-$name
mkdir -p "$corpus" "$artifacts"
starts=(-name '*.mic')
[ "$name" = check ] && starts+=(-o -name '*.zan')  # zanfo-check takes sources too
[ "$name" = prove ] && starts=(-name '*.props')    # zanfo-prove's property files
find tests/e2e examples bench \( "${starts[@]}" \) -type f -print0 |
    while IFS= read -r -d '' mic; do
        cp "$mic" "$corpus/start_$(printf '%s' "$mic" | tr '/' '_')"
    done
exec "$fuzzer" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus"
