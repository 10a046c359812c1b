#!/usr/bin/env bash
# zanfo-sim's throughput at grading (see bench/README.md):
#
#   bench/grading.sh [RUNS]
#
# Builds zanfo-sim in Release in build-release/ (BENCH_BUILD names another
# folder), writes its inputs into bench/out/grading/ and times, on one core
# (taskset -c 0), RUNS times each (5 unless given), the median taken:
#
#   reference  10,000 random cases (and the 5 edge cases) of a 102-cycle
#              program against an equivalent reference: 20,010 runs; then
#              100,000 cases, for a rate that start-up does not blur
#   class      200 programs of about 100 cycles a case, 20 cases each,
#              graded into one JUnit report (5 of the 200 do not assemble)
#
# Nothing here asserts a time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build-release}
JOBS=${JOBS:-2}
RUNS=${1:-5}
bash .ci/install-deps time
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo-sim >/dev/null
sim=$(realpath "$BUILD/zanfo-sim")
out=bench/out/grading
rm -rf "$out" && mkdir -p "$out/class"

# y = 33 x by 33 additions: 2 + 33 x 3 + 1 = 102 cycles whatever x.
cat > "$out/times33.zan" <<'ZAN'
PROGRAM times33
EQU x R1;
EQU y R2;
EQU k R3;
        y = 0;
        k = 33;
again:  y = y + x;
        DECR(k), LDUFLAG;
        JUMP(again, NUZ);
        HALT
END
ZAN
# The same by shifts: 32 x + x, 9 cycles.
cat > "$out/shifts.zan" <<'ZAN'
PROGRAM times33
EQU x R1;
EQU y R2;
        y = x;
        y = y + 0, ASL;
        y = y + 0, ASL;
        y = y + 0, ASL;
        y = y + 0, ASL;
        y = y + 0, ASL;
        y = y + x;
        HALT
END
ZAN

# The class: the times-33 loop with its count moved about, so that some
# programs are right and some are not; every fortieth does not assemble.
for i in $(seq 1 200); do
    if [ $((i % 40)) = 0 ]; then
        printf 'PROGRAM broken\n        y = = 1\nEND\n' > "$out/class/p$i.zan"
    else
        sed "s/k = 33;/k = $((31 + i % 4));/" "$out/times33.zan" > "$out/class/p$i.zan"
    fi
done
{
    echo "max-cycles 1000"
    for c in $(seq 1 20); do
        x=$(( (c * 2654435761) % 65536 ))
        printf 'case x = %d\nset x=%d\nexpect y=%d\n' "$x" "$x" $(( (x * 33) % 65536 ))
    done
} > "$out/class.test"

# The median of RUNS runs of a command on core 0 (by wall time): wall and
# CPU seconds and peak memory.
median() {
    local times=()
    for _ in $(seq 1 "$RUNS"); do
        /usr/bin/time -o time.txt -f '%e %U %S %M' taskset -c 0 "$@" >/dev/null 2>&1 || true
        times+=("$(tail -n 1 time.txt)")
    done
    printf '%s\n' "${times[@]}" | awk '{ print $1, $2 + $3, $4 }' | sort -n | awk -v n="$RUNS" \
        'NR == int((n + 1) / 2) { printf "%.3f s wall, %.3f s CPU, %.1f MiB peak", $1, $2, $3 / 1024 }'
}

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
cd "$out"
"$sim" --reference times33.zan --random 10000 --vary x --compare y shifts.zan | tail -n 2
echo "reference, 10,000 random cases of a 102-cycle program: $(median "$sim" --reference times33.zan --random 10000 \
    --vary x --compare y shifts.zan)"
echo "reference, 100,000 random cases, for the rate: $(median "$sim" --reference times33.zan --random 100000 \
    --vary x --compare y shifts.zan)"
"$sim" --test class.test --report junit -o class.xml class/p*.zan 2>/dev/null || true
echo "  $(grep -c '<testcase' class.xml) cases in $(grep -c '<testsuite ' class.xml) programs"
echo "class, 200 programs of 20 cases: $(median "$sim" --test class.test --report junit -o class.xml class/p*.zan)"
echo "class with --coverage: $(median "$sim" --test class.test --report junit -o class.xml --coverage class.info \
    class/p*.zan)"
