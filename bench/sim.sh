#!/usr/bin/env bash
# zanfo-sim's speed (see bench/README.md):
#
#   bench/sim.sh [RUNS]
#
# Builds in Release in build-release/ (BENCH_BUILD names another folder),
# runs build-release/bench/sim_bench on bench/sim_bench.zan (about 10^8
# cycles, RUNS times, 5 unless given) and times the whole command on it
# with /usr/bin/time.  Nothing here asserts a time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build-release}
JOBS=${JOBS:-2}
bash .ci/install-deps time
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF -DZANFO_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo-sim sim_bench >/dev/null
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/bench/sim_bench" bench/sim_bench.zan "${1:-5}"
echo "the command, zanfo-sim bench/sim_bench.zan (assembly, run, report of 64Ki memory words):"
/usr/bin/time -f "  %e s wall, %U s user, %M KiB peak" "$BUILD/zanfo-sim" --max-cycles 200000000 bench/sim_bench.zan > /dev/null
