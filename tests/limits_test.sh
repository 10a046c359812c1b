#!/usr/bin/env bash
# The companion commands at the edges of what surrounds them: an input
# without end (/dev/zero) under a memory limit, a small stack, and an
# output that cannot be written (/dev/full).  Each row runs one command in
# a scratch folder and checks its exit status and its whole standard error.
#
#   limits_test.sh BIN_DIR EXAMPLES_DIR [--sanitized]
#
# With --sanitized the rows under a memory or stack limit are left out:
# the sanitizers reserve terabytes of address space and a deeper stack.
set -u
bin=$(realpath "$1")
examples=$(realpath "$2")
sanitized=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples/multiply.zan" "$examples/multiply.mic" "$examples/multiply.test" "$work/"
printf 'PROGRAM forever\nagain: INCR(R1), JUMP(again)\nEND\n' > "$work/forever.zan"
head -c $((4 * 1024 * 1024 + 1)) /dev/zero > "$work/big.mic"
{ echo 'PROGRAM big'; yes ' R1 = R1 + R2;' | head -n 600000; echo 'END'; } > "$work/big.zan"
yes 'prove x' | head -n 7000000 > "$work/big.props"

full="No space left on device"
# ulimit options | exit status | standard error | command
rows=(
    "-v 400000|2|/dev/zero: cannot read the file: larger than 4 MiB|zanfo-dump /dev/zero"
    "-v 400000|2|/dev/zero: cannot read the file: larger than 64 MiB|zanfo-dump --listing /dev/zero"
    "-v 400000|2|/dev/zero: cannot read the file: larger than 4 MiB|zanfo-rom --format readmemh -o out.hex /dev/zero"
    "-v 400000|2|/dev/zero: cannot read the file: larger than 64 MiB|zanfo-sim /dev/zero"
    "-v 400000|2|/dev/zero: cannot read the file: larger than 64 MiB|zanfo-sim --test /dev/zero multiply.zan"
    "-v 400000|2|big.mic: cannot read the file: larger than 4 MiB|zanfo-sim big.mic"
    "-v 400000|2|/dev/zero: cannot read the file: larger than 64 MiB|zanfo-check /dev/zero"
    "-v 400000|2|big.mic: cannot read the file: larger than 4 MiB|zanfo-check big.mic"
    "-v 400000|2|/dev/zero: cannot read the file: larger than 64 MiB|zanfo-prove --props /dev/zero multiply.zan"
    "-v 400000|2|big.mic: cannot read the file: larger than 4 MiB|zanfo-prove --equiv multiply.zan --compare R3 big.mic"
    # Within the bound, but more than the memory limit allows.
    "-v 60000|2|zanfo-dump: out of memory|zanfo-dump --listing -o out.txt big.zan"
    "-v 60000|1||zanfo-check big.zan"
    "-v 400000|2|zanfo-prove: out of memory|zanfo-prove --props big.props multiply.zan"
    "-s 64|0||zanfo-check multiply.zan"
    "-s 64|0||zanfo-sim --test multiply.test multiply.zan"
    "-s 64|0||zanfo-sim --trace --set R1=3 --set R2=7 multiply.zan"
    "|2|zanfo-dump: cannot write the standard output: $full|zanfo-dump multiply.mic > /dev/full"
    "|2|zanfo-dump: cannot write /dev/full: $full|zanfo-dump -o /dev/full multiply.mic"
    "|3|zanfo-rom: cannot write /dev/full: $full|zanfo-rom --format readmemh -o /dev/full multiply.mic"
    "|2|zanfo-sim: cannot write the standard output: $full|zanfo-sim multiply.zan > /dev/full"
    "|2|zanfo-check: cannot write the standard output: $full|zanfo-check forever.zan > /dev/full"
    "|2|zanfo-sim: cannot write the standard output: $full|zanfo-sim --test multiply.test multiply.zan > /dev/full"
    # Stops at the first failed write: a run of 10^12 cycles would not end.
    "|2|zanfo-sim: cannot write the standard output: $full|zanfo-sim --trace --max-cycles 1000000000000 forever.zan > /dev/full"
)

fail=0
for row in "${rows[@]}"; do
    IFS='|' read -r limits status err command <<< "$row"
    if [ -n "$limits" ] && [ "$sanitized" = --sanitized ]; then
        continue
    fi
    got_err=$(cd "$work" && PATH="$bin:$PATH" && { [ -z "$limits" ] || ulimit $limits; } &&
              eval "$command" 2>&1 >/dev/null)
    got_status=$?
    if [ "$got_status" != "$status" ] || [ "$got_err" != "$err" ]; then
        echo "FAIL ${limits:+(ulimit $limits) }$command"
        echo "  exit status $got_status, expected $status"
        echo "  standard error: $got_err"
        echo "        expected: $err"
        fail=1
    else
        echo "ok ${limits:+(ulimit $limits) }$command"
    fi
done
for left in out.hex out.txt; do
    [ -e "$work/$left" ] && { echo "FAIL $left was left behind"; fail=1; }
done
exit $fail
