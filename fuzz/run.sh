#!/usr/bin/env bash
# Fuzzes zanfo, or another target that reads sources, for a bounded time:
#
#   fuzz/run.sh FUZZER SECONDS [more libFuzzer flags]
#
# The working corpus is fuzz/corpus-run/ (kept between runs, not in git); the
# starting inputs, every .zan file of the end-to-end cases and the examples,
# are copied into it at each run.  Inputs that fail are written to
# artifacts/ beside FUZZER.  With ZANFO_FUZZ_NAME=NAME (listing: zanfo-dump
# --listing) the corpus is fuzz/corpus-NAME/ and the failures go to
# artifacts-NAME/.  The exit status is nonzero on any crash,
# sanitizer report, leak, input that runs longer than 5 seconds or memory
# use above 2 GiB.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzzer=$(realpath "$1")
seconds=$2
shift 2
name=${ZANFO_FUZZ_NAME:-}
corpus=fuzz/corpus-${name:-run}
artifacts=$(dirname "$fuzzer")/artifacts${name:+-$name}
mkdir -p "$corpus" "$artifacts"
# Regular files only: a case may hold links to devices or folders.
find tests/e2e examples -mindepth 1 -maxdepth 2 -name '*.zan' -type f -print0 |
    while IFS= read -r -d '' src; do
        cp "$src" "$corpus/start_$(printf '%s' "$src" | tr '/' '_')"
    done
exec "$fuzzer" -max_len=65536 -timeout=5 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -dict=fuzz/zanfo.dict -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus"
