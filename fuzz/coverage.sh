#!/usr/bin/env bash
# Line and branch coverage of the assembler by the fuzzing corpus:
#
#   fuzz/coverage.sh [CORPUS_DIR]      (default fuzz/corpus-run)
#
# Builds the fuzz target once more with clang's source-based coverage in
# build-fuzz-cov/, runs every input of the corpus once, and prints the
# report per file, the generated scanner and parser included.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=$(realpath "${1:-fuzz/corpus-run}")
build=build-fuzz-cov
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DZANFO_SANITIZE=ON -DZANFO_FUZZ=ON -DZANFO_TESTS=OFF \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"${JOBS:-1}" --target zanfo_fuzz >/dev/null
rm -f "$build"/*.profraw "$build"/replay.log
# A crash, sanitizer report or leak while replaying the corpus fails the
# script: it is a bug to fix before any coverage figure means anything.
status=0
LLVM_PROFILE_FILE="$build/replay.profraw" "$build/fuzz/zanfo_fuzz" -runs=0 \
    -max_len=65536 -close_fd_mask=3 -artifact_prefix="$build/" "$corpus" \
    > "$build/replay.log" 2>&1 || status=$?
if [ "$status" != 0 ]; then
    tail -n 60 "$build/replay.log"
    echo "coverage.sh: zanfo_fuzz failed (exit status $status) while replaying $corpus;" \
         "the whole log is $build/replay.log" >&2
    exit 1
fi
grep -E 'DONE' "$build/replay.log" || tail -n 3 "$build/replay.log"
llvm-profdata merge -sparse "$build/replay.profraw" -o "$build/replay.profdata"
llvm-cov report "$build/fuzz/zanfo_fuzz" -instr-profile="$build/replay.profdata" \
    -ignore-filename-regex='fuzz/zanfo_fuzz.cpp|/usr/'
