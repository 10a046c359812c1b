#!/usr/bin/env bash
# zanfo-check's speed on whole control stores (see bench/README.md):
#
#   bench/check.sh
#
# Builds in Release in build-release/ (BENCH_BUILD names another folder),
# generates three 4096-word programs into bench/out/ (bench/gen_program's
# realistic source with 64 labels and with a label on every tenth word,
# and a .mic file of random words), times the analysis in the process
# (check_bench, medians of 50 runs) and the whole command with hyperfine,
# and measures its peak RSS.  Nothing here asserts a time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build-release}
JOBS=${JOBS:-2}
OUT=bench/out
bash .ci/install-deps hyperfine time python3
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF -DZANFO_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo-check gen_program check_bench >/dev/null
mkdir -p "$OUT"
"$BUILD/bench/gen_program" 4096 few >"$OUT/check-few.zan"
"$BUILD/bench/gen_program" 4096 many >"$OUT/check-many.zan"
"$BUILD/bench/check_bench" --random-mic 4096 >"$OUT/check-random.mic"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/bench/check_bench" "$OUT/check-few.zan" "$OUT/check-many.zan" "$OUT/check-random.mic"
echo
# zanfo-check exits 1 when it reports anything: -i keeps hyperfine going.
# The medians of the wall time, and the CPU time (user + system), which a
# busy machine disturbs less.
hyperfine -N -i --style none --warmup 20 --runs 100 --export-json "$OUT/check-time.json" \
    -n /bin/true /bin/true \
    -n check-few.zan "$BUILD/zanfo-check $OUT/check-few.zan" \
    -n check-many.zan "$BUILD/zanfo-check $OUT/check-many.zan" \
    -n check-random.mic "$BUILD/zanfo-check $OUT/check-random.mic" >/dev/null 2>&1
python3 - "$OUT/check-time.json" <<'PY'
import json, sys
print("| command | median wall (ms) | mean CPU (ms) |")
print("|---|---:|---:|")
for r in json.load(open(sys.argv[1]))["results"]:
    name = r['command'] if r['command'].startswith('/') else 'zanfo-check ' + r['command']
    print(f"| {name} | {1000 * r['median']:.2f} | {1000 * (r['user'] + r['system']):.2f} |")
PY
echo
for f in check-few.zan check-many.zan check-random.mic; do
    /usr/bin/time -f "$f: peak RSS %M KiB" "$BUILD/zanfo-check" "$OUT/$f" >/dev/null || true
done
