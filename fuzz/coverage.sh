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
rm -f "$build"/*.profraw
LLVM_PROFILE_FILE="$build/replay.profraw" "$build/fuzz/zanfo_fuzz" -runs=0 \
    -max_len=65536 -close_fd_mask=3 "$corpus" 2>&1 | grep -E 'DONE' || true
llvm-profdata merge -sparse "$build/replay.profraw" -o "$build/replay.profdata"
llvm-cov report "$build/fuzz/zanfo_fuzz" -instr-profile="$build/replay.profdata" \
    -ignore-filename-regex='fuzz/zanfo_fuzz.cpp|/usr/'
