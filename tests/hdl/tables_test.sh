#!/usr/bin/env bash
# The Verilog parts' tables against the C++ ones: tables_tb.sv prints the
# field layout, the source pairs, destinations, shift, bus and flag codes,
# the conditions and the Am2910's paths as the parts compute them, and
# HDL_TABLES prints the same from machine/parts.h and microword/microword.h.
#
#   tables_test.sh HDL_TABLES HDL_DIR TEST_DIR
#
# Exit status 77 (skipped) without Icarus Verilog.
set -u
tables=$1 hdl=$2 here=$3
if ! command -v iverilog >/dev/null || ! command -v vvp >/dev/null; then
    echo "iverilog not installed (bash .ci/install-deps installs it): hdl.tables skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
iverilog -g2012 -Wall -I "$hdl" -o "$work/tables.vvp" "$hdl/zanfo_decode.v" "$hdl/zanfo_am2901.v" \
    "$hdl/zanfo_condition.v" "$hdl/zanfo_am2910.v" "$here/tables_tb.sv" || exit 1
vvp -n "$work/tables.vvp" > "$work/verilog" || exit 1
"$tables" > "$work/cpp" || exit 1
if ! diff -u "$work/cpp" "$work/verilog"; then
    echo "FAIL hdl.tables: the Verilog parts (+++) part from machine/parts.h and microword.h (---)"
    exit 1
fi
echo "ok hdl.tables: $(wc -l < "$work/cpp") entries agree"
