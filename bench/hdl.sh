#!/usr/bin/env bash
# The machine in Verilog against zanfo-sim, in cycles per second (see
# bench/README.md):
#
#   bench/hdl.sh [RUNS]
#
# Builds in Release in build-release/ (BENCH_BUILD names another folder):
# zanfo-sim, and the board's testbench under Verilator and Icarus Verilog.
# Each runs bench/sim_bench.zan (about 10^8 cycles) for a number of cycles
# that takes it a second or so, RUNS times (3 unless given), without a
# trace; the median of the CPU time (user + system) gives the rate.  The
# testbench's start-up (loading the images, clearing the 64Ki words of
# memory) is in its time.  Nothing here asserts a time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build-release}
JOBS=${JOBS:-2}
RUNS=${1:-3}
bash .ci/install-deps time
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo zanfo-rom zanfo-sim zanfo_tb_icarus zanfo_tb_verilator >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp bench/sim_bench.zan "$work/"
"$BUILD/zanfo" "$work/sim_bench.zan"
"$BUILD/zanfo-rom" --format readmemh -o "$work/sim_bench.hex" "$work/sim_bench.mic"

# median CYCLES COMMAND...: the median CPU seconds of RUNS runs, and the rate.
median() {
    local cycles=$1
    shift
    for _ in $(seq "$RUNS"); do
        /usr/bin/time -f "%U %S" -o "$work/time" "$@" > "$work/out" 2> /dev/null || true
        grep -q "$cycles" "$work/out" || { echo "no $cycles cycles from $*" >&2; cat "$work/out" >&2; exit 1; }
        tail -n 1 "$work/time" | awk '{ print $1 + $2 }'
    done | sort -n | awk -v c="$cycles" '{ t[NR] = $1 } END { m = t[int((NR + 1) / 2)]; printf "%8.2f s  %12.0f cycles/s\n", m, c / m }'
}
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "bench/sim_bench.zan, median of $RUNS runs, CPU time:"
printf "  %-34s" "zanfo-sim, 10^8 cycles"
median 100000000 "$BUILD/zanfo-sim" --max-cycles 100000000 "$work/sim_bench.mic"
printf "  %-34s" "Verilator $(verilator --version | cut -d' ' -f2), 10^7 cycles"
median 10000000 "$BUILD/hdl/verilator/zanfo_tb" "+rom=$work/sim_bench.hex" +max_cycles=10000000
printf "  %-34s" "Icarus Verilog $(iverilog -V 2>&1 | head -1 | cut -d' ' -f4), 10^5 cycles"
median 100000 vvp -n "$BUILD/hdl/zanfo_tb.vvp" "+rom=$work/sim_bench.hex" +max_cycles=100000
