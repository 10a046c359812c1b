#!/usr/bin/env bash
# Assembles one bundled example and compares the result with the .mic file
# checked in beside it.  An example must assemble without any diagnostic.
#
#   run_example.sh ZANFO EXAMPLE.zan
set -u
zanfo=$(realpath "$1")
source=$(realpath "$2")
name=$(basename "$source" .zan)
expected=${source%.zan}.mic
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$source" "$work/$name.zan"
(cd "$work" && "$zanfo" "$name.zan" > stdout 2> stderr)
status=$?
fail=0
if [ "$status" != 0 ]; then
    echo "FAIL $name: exit status $status"; fail=1
fi
for stream in stdout stderr; do
    if [ -s "$work/$stream" ]; then
        echo "FAIL $name: unexpected $stream:"; cat -v "$work/$stream"; fail=1
    fi
done
if [ ! -f "$expected" ]; then
    echo "FAIL $name: no $expected checked in"; fail=1
elif ! cmp -s "$expected" "$work/$name.mic"; then
    echo "FAIL $name: $name.mic differs (--- checked in, +++ assembled):"
    diff -u "$expected" "$work/$name.mic"
    fail=1
fi
[ "$fail" = 0 ] && echo "ok $name"
exit "$fail"
