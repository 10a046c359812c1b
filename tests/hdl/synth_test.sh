#!/usr/bin/env bash
# yosys synthesizes the small board (1,024 words of control store and of
# memory) flattened: no combinational loop, no signal with two drivers and
# nothing undriven (check -assert, on the design as written and after
# synthesis), and no latch.  The control store and the mapping hold random
# words, so that nothing is optimized away for a particular program.
#
#   synth_test.sh HDL_DIR
#
# Exit status 77 (skipped) without yosys.
set -u
hdl=$1
if ! command -v yosys >/dev/null; then
    echo "yosys not installed (bash .ci/install-deps installs it): hdl.synth skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Random images of splitmix64-free simplicity: the same on every run.
awk 'BEGIN { srand(7); for (i = 0; i < 1024; i++) printf "%08X%08X\n", int(rand() * 4294967296), int(rand() * 4294967296) }' \
    > "$work/store.hex"
awk 'BEGIN { srand(8); for (i = 0; i < 256; i++) printf "%04X\n", int(rand() * 65536) }' > "$work/mapping.hex"
cat > "$work/synth.ys" <<YS
read_verilog -I $hdl $(ls "$hdl"/zanfo_*.v | tr '\n' ' ')
chparam -set STORE_WORDS 1024 -set MEMORY_WORDS 1024 -set STORE_INIT "$work/store.hex" -set MAPPING_INIT "$work/mapping.hex" zanfo_board
hierarchy -check -top zanfo_board
proc
flatten
check -assert
select -assert-none t:\$dlatch t:\$adlatch t:\$dlatchsr
synth -flatten -top zanfo_board
check -assert
select -assert-none t:\$_DLATCH* t:\$_SR_*
tee -o $work/stat.txt stat
YS
if ! yosys -q -l "$work/yosys.log" "$work/synth.ys" > "$work/out" 2>&1; then
    cat "$work/out"
    tail -n 40 "$work/yosys.log"
    echo "FAIL hdl.synth"
    exit 1
fi
echo "ok hdl.synth: the small board synthesizes flattened, with no latch, loop or second driver"
grep -E "Number of cells|_DFF|_MUX_" "$work/stat.txt"
