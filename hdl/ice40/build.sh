#!/usr/bin/env bash
# The board on an iCE40-HX8K breakout board (see the manual's chapter
# "Building the machine"):
#
#   hdl/ice40/build.sh OUT [PROGRAM.mic [MAPPING.map]]
#
# Synthesizes the small board (1,024 words of control store and memory)
# with yosys' synth_ice40, places and routes it with nextpnr-ice40 and
# packs it with icepack into OUT/board.bin, with random words in the
# control store and the mapping (icebram -g), and prints the cells, the
# LUTs, the block RAMs and the maximum clock frequency that nextpnr
# reports.  That is done once; for a PROGRAM (a .mic file) icebram then
# puts its words (zanfo-rom --depth 1024) and its MAPPING (zanfo-rom
# --jmap) into the block RAMs of the placed board, in seconds, and
# icepack writes OUT/PROGRAM.bin for iceprog.  The image is then checked:
# icebox_vlog turns it back into a netlist, and Icarus Verilog runs it
# until its LEDs show what the Verilog testbench's run of the same
# program ends with.
#
# MEMORY=FILE gives the memory's initial words ($readmemh) at synthesis;
# ZANFO_ROM names zanfo-rom (default: the one in PATH), TESTBENCH the
# Icarus build of the testbench for the check.
set -euo pipefail
# Every name as seen from here, before going into OUT.
absolute() { case $1 in */*) realpath "$1" ;; *) command -v "$1" || echo "$1" ;; esac; }
out=$1
program=${2:+$(realpath "$2")}
mapping=${3:+$(realpath "$3")}
here=$(cd "$(dirname "$0")" && pwd)
hdl=$(dirname "$here")
rom=$(absolute "${ZANFO_ROM:-zanfo-rom}")
memory=${MEMORY:+$(realpath "$MEMORY")}
testbench=${TESTBENCH:+$(realpath "$TESTBENCH")}
mkdir -p "$out"
cd "$out"

# The placed board, made again when a source, the memory or this script changed.
parts=("$hdl"/zanfo_*.v "$here/zanfo_ice40.v")
sources=("${parts[@]}" "$hdl"/*.vh "$here/hx8k.pcf" "$here/build.sh")
stamp="memory=${memory}"
if [ ! -f board.bin ] || [ "$(cat board.stamp 2>/dev/null)" != "$stamp" ] ||
   [ -n "$(find "${sources[@]}" -newer board.bin)" ]; then
    icebram -g 64 1024 > store.random.hex
    icebram -g 16 256 > mapping.random.hex
    cat > board.ys <<YS
read_verilog -I $hdl ${parts[*]}
chparam -set STORE_INIT "store.random.hex" -set MAPPING_INIT "mapping.random.hex" -set MEMORY_INIT "$memory" zanfo_ice40
synth_ice40 -top zanfo_ice40 -json board.json
tee -o board.stat stat
YS
    echo "synthesizing (yosys synth_ice40, about a minute)"
    yosys -q -l yosys.log board.ys
    echo "placing and routing (nextpnr-ice40 --hx8k, a few minutes)"
    nextpnr-ice40 --hx8k --package ct256 --pcf "$here/hx8k.pcf" --json board.json --asc board.asc \
        --freq 12 --seed 1 2> nextpnr.log
    icepack board.asc board.bin
    echo "$stamp" > board.stamp
fi
cells=$(awk '/Number of cells/ { print $4 }' board.stat)
luts=$(awk '$1 == "SB_LUT4" { print $2 }' board.stat)
flops=$(awk '$1 ~ /^SB_DFF/ { n += $2 } END { print n }' board.stat)
brams=$(awk '$1 == "SB_RAM40_4K" { print $2 }' board.stat)
lcs=$(grep -o 'ICESTORM_LC: *[0-9]*/ *[0-9]*' nextpnr.log | tail -1 | sed 's/ICESTORM_LC: *//; s/ //g')
fmax=$(grep -o "Max frequency for clock '[^']*': [0-9.]* MHz" nextpnr.log | tail -1 | sed 's/.*: //')
echo "iCE40-HX8K: $cells cells after synth_ice40 ($luts LUTs, $flops flip-flops, $brams of 32 block RAMs);"
echo "            $lcs logic cells placed; maximum clock frequency $fmax (nextpnr-ice40 --seed 1)"
[ -n "$program" ] || exit 0

# A program in the placed board.
name=$(basename "$program" .mic)
"$rom" --format readmemh --depth 1024 -o "$name.store.hex" "$program"
icebram store.random.hex "$name.store.hex" < board.asc > "$name.asc"
if [ -n "$mapping" ]; then
    "$rom" --format readmemh --jmap "$mapping" -o "$name.mapping.hex"
    icebram mapping.random.hex "$name.mapping.hex" < "$name.asc" > "$name.mapped.asc"
    mv "$name.mapped.asc" "$name.asc"
fi
icepack "$name.asc" "$name.bin"
echo "$out/$name.bin: the board with $program; iceprog $name.bin loads it"

# The check: the image as a netlist, run for 200 edges of its clock (15
# of reset, then 185 cycles), against the testbench's run of as many
# cycles at most: halted, failed and upc's low bits.
if [ -z "$testbench" ]; then
    exit 0
fi
state=$(vvp -n "$testbench" "+rom=$name.store.hex" ${mapping:++map=$name.mapping.hex} \
    ${memory:++mem=$memory} +max_cycles=185 2>/dev/null)
end=$(echo "$state" | awk '$1 == "end" { print $2 }')
upc=$((16#$(echo "$state" | awk '$1 == "upc" { print $2 }')))
expected="$([ "$end" = halted ] && echo 1 || echo 0)$([ "$end" = error ] && echo 1 || echo 0)"
for bit in 5 4 3 2 1 0; do
    expected+=$(( (upc >> bit) & 1 ))
done
icebox_vlog -p "$here/hx8k.pcf" "$name.asc" > "$name.chip.v" 2> /dev/null
cat > chip_tb.v <<'V'
`timescale 1ns / 1ns
module chip_tb;
    reg clk = 1'b0;
    wire [7:0] led;
    chip fpga (.clk(clk), .\led[0] (led[0]), .\led[1] (led[1]), .\led[2] (led[2]), .\led[3] (led[3]),
               .\led[4] (led[4]), .\led[5] (led[5]), .\led[6] (led[6]), .\led[7] (led[7]));
    integer k;
    initial begin
        for (k = 0; k < 200; k = k + 1) begin
            #5 clk = 1'b1;
            #5 clk = 1'b0;
        end
        $display("%b", led);
    end
endmodule
V
iverilog -g2012 -DNO_ICE40_DEFAULT_ASSIGNMENTS -o "$name.chip.vvp" "$name.chip.v" chip_tb.v \
    /usr/share/yosys/ice40/cells_sim.v 2> /dev/null
got=$(vvp -n "$name.chip.vvp" | tail -1)
if [ "$got" != "$expected" ]; then
    echo "FAIL: the image's LEDs read $got after 200 cycles; the testbench's run gives $expected"
    exit 1
fi
echo "checked: the image's LEDs (halted, failed, upc[5:0]) read $got, as the testbench's run ends"
