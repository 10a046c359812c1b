#!/usr/bin/env bash
# zanfo-lsp's speed (see bench/README.md):
#
#   bench/lsp.sh [CHANGES]
#
# Builds in Release in build-release/ (BENCH_BUILD names another folder),
# generates a program of 4096 microinstructions, a whole control store
# (gen_program 4096 many), and runs build-release/bench/lsp_bench on it:
# the time from each of CHANGES edits (200 unless given) to the
# diagnostics that answer it, through zanfo-lsp's pipes.  Results go to
# standard output and bench/out/lsp.txt.  Nothing here asserts a time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build-release}
JOBS=${JOBS:-2}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF -DZANFO_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo zanfo-lsp gen_program lsp_bench >/dev/null
mkdir -p bench/out
"$BUILD/bench/gen_program" 4096 many > bench/out/lsp-4096.zan
# The program must assemble cleanly, one word per microinstruction.
(cd bench/out && "../../$BUILD/zanfo" lsp-4096.zan > zanfo.out 2>&1)
[ ! -s bench/out/zanfo.out ] && [ "$(wc -l < bench/out/lsp-4096.mic)" = 4096 ] ||
    { echo "lsp_bench: the generated program does not assemble cleanly to 4096 words" >&2; exit 1; }
{
    echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
    "$BUILD/bench/lsp_bench" "$BUILD/zanfo-lsp" bench/out/lsp-4096.zan "${1:-200}"
} | tee bench/out/lsp.txt
