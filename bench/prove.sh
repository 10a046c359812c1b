#!/usr/bin/env bash
# zanfo-prove's times (see bench/README.md):
#
#   bench/prove.sh
#
# Builds zanfo-prove in Release in build-release/ (BENCH_BUILD names another
# folder) and times it on the routines of bench/prove/, each with its
# property file: with every method (as a user runs it), and with the
# symbolic execution and the solver alone (ZANFO_PROVE_METHODS=solver);
# then examples/multiply.zan for 8-bit multipliers, a fault planted on one
# pair of inputs in 2^32, and the 16 by 16 bit multiply for every input.
# Wall and CPU time of each run, by /usr/bin/time.  Nothing here asserts a
# time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build-release}
JOBS=${JOBS:-2}
bash .ci/install-deps time
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF -DZANFO_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo-prove >/dev/null
prove=$BUILD/zanfo-prove
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| program | methods | verdict | wall s | CPU s |"
echo "|---|---|---|---:|---:|"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
run() {  # PROGRAM PROPS METHODS [TIMEOUT]
    local status=0
    ZANFO_PROVE_METHODS=$3 /usr/bin/time -f "%e %U %S" -o "$out.time" \
        "$prove" --timeout "${4:-60}" --props "$2" "$1" > "$out" || status=$?
    read -r wall user sys < <(tail -n 1 "$out.time")
    local cpu
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    echo "| $(basename "$1") | ${3//,/ } | $(head -n 1 "$out") | $wall | $cpu |"
}
all=search,all,solver
for r in abs max satadd add32 popcount memcopy; do
    run bench/prove/$r.zan bench/prove/$r.props $all
    run bench/prove/$r.zan bench/prove/$r.props solver
done
run examples/multiply.zan bench/prove/multiply8.props $all
run examples/multiply.zan bench/prove/multiply8.props solver
run bench/prove/multiply_pair.zan bench/prove/multiply_pair.props $all
run bench/prove/multiply_pair.zan bench/prove/multiply_pair.props solver
run examples/multiply.zan bench/prove/multiply16.props $all 600
rm -f "$out.time"
