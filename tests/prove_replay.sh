#!/usr/bin/env bash
# Every counterexample that zanfo-prove prints must fail in zanfo-sim: runs
# zanfo-prove on the programs of the end-to-end cases that find some, saves
# each FAIL's case as a test file and runs zanfo-sim on it.
#
#   prove_replay.sh BUILD_DIR SOURCE_DIR
# Each case runs as printed: a run that does not halt carries its bound in
# a max-cycles line, and zanfo-sim gets no option for it.
set -u
build=$(realpath "$1")
src=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
replayed=0
replay() {  # DIR PROGRAM ZANFO-PROVE-ARGS...
    local dir=$1 prog=$2
    shift 2
    (cd "$dir" && "$build/zanfo-prove" "$@" "$prog") > "$work/out"
    # One test file per FAIL: the lines after it, to the blank line.
    awk -v dir="$work" '/^FAIL /{n++; on = 1; next} /^$/{on = 0; next} on{print > (dir "/case" n ".test")}' "$work/out"
    for test in "$work"/case*.test; do
        [ -f "$test" ] || continue
        (cd "$dir" && "$build/zanfo-sim" --test "$test" "$prog") > "$work/sim.out" 2>&1
        local status=$?
        replayed=$((replayed + 1))
        if [ "$status" != 1 ] && [ "$status" != 3 ]; then
            echo "FAIL $dir/$prog: zanfo-sim passes the counterexample (status $status):"
            cat "$test" "$work/sim.out"
            fail=1
        fi
        rm -f "$test"
    done
}
e2e=$src/tests/e2e
replay "$e2e/prove_counterexample_is_a_test_case" prog.zan --props prog.props
replay "$e2e/prove_equivalence_with_a_reference" prog.zan --equiv ref.zan --compare R2
replay "$src/bench/prove" multiply_pair.zan --props multiply_pair.props
[ "$replayed" -ge 4 ] || { echo "FAIL: only $replayed counterexamples replayed"; fail=1; }
[ "$fail" = 0 ] && echo "ok: $replayed counterexamples fail in zanfo-sim"
exit "$fail"
