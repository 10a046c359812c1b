#!/usr/bin/env bash
# zanfo against GNU as, side by side on one machine.
#
#   bench/run.sh            the full run: 10^4, 10^5 and 10^6 microinstructions
#   bench/run.sh --smoke    10^4 only, a few runs: checks that the benchmark
#                           works (CI); its times mean little
#
# Builds zanfo in Release in build-release/, generates the programs (one with
# a label on every tenth microinstruction, one with 64 labels) and an x86
# file of the same number of lines for `as`, checks that every program
# assembles without a diagnostic, and times them with hyperfine (medians of
# repeated runs).  Peak RSS comes from /usr/bin/time.  Results go to
# standard output and bench/out/results.md.  Nothing here asserts a time.
# BENCH_BUILD names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
[ "${1:-}" = --smoke ] && smoke=1
BUILD=${BENCH_BUILD:-build-release}
OUT=bench/out
JOBS=${JOBS:-2}

bash .ci/install-deps hyperfine time binutils
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF -DZANFO_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target zanfo gen_program gen_x86 >/dev/null
zanfo=$PWD/$BUILD/zanfo
mkdir -p "$OUT"

if [ $smoke = 1 ]; then
    sizes=(10000)
else
    sizes=(10000 100000 1000000)
fi

# Runs per command: more for the short ones, whose times are noisier.
runs_for() {
    if [ $smoke = 1 ]; then echo 3
    elif [ "$1" -le 10000 ]; then echo 40
    elif [ "$1" -le 100000 ]; then echo 20
    else echo 10
    fi
}

# A generated program must assemble cleanly into one line per microinstruction.
check_program() {
    local src=$1 size=$2 err
    err=$("$zanfo" "$src" 2>&1 >/dev/null) || { echo "zanfo failed on $src" >&2; exit 1; }
    if [ -n "$err" ]; then
        echo "zanfo reported diagnostics on $src:" >&2
        head -5 <<<"$err" >&2
        exit 1
    fi
    local n
    n=$(wc -l <"${src%.zan}.mic")
    [ "$n" -eq "$size" ] || { echo "$src: $n microwords, expected $size" >&2; exit 1; }
}

# Median of the numbers on standard input.
median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

peak_rss_kib() {
    for _ in 1 2 3; do
        /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1
    done | median
}

# Median seconds of a named command in a hyperfine CSV.
csv_median() {
    awk -F, -v name="$2" '$1 == name { print $4 }' "$1"
}

# Mean CPU seconds (user + system): on a machine shared with other work it
# moves less than the wall time does.
csv_cpu() {
    awk -F, -v name="$2" '$1 == name { print $5 + $6 }' "$1"
}

results=$OUT/results.md
{
    echo "| microinstructions | labels | source lines | zanfo median (ms) | as median (ms) | zanfo / as | CPU time zanfo / as | microinstructions/s | zanfo peak RSS (MiB) |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
} >"$results.table"

declare -A med
for size in "${sizes[@]}"; do
    for variant in many few; do
        "$BUILD/bench/gen_program" "$size" "$variant" >"$OUT/prog-$size-$variant.zan"
        check_program "$OUT/prog-$size-$variant.zan" "$size"
    done
    lines=$(wc -l <"$OUT/prog-$size-many.zan")
    "$BUILD/bench/gen_x86" "$lines" >"$OUT/x86-$size.s"
    as -o /dev/null "$OUT/x86-$size.s"

    echo "== $size microinstructions, $lines lines" >&2
    hyperfine -N --style basic --warmup 2 --runs "$(runs_for "$size")" \
        --export-csv "$OUT/time-$size.csv" \
        -n "zanfo-many" "$zanfo $OUT/prog-$size-many.zan" \
        -n "zanfo-few" "$zanfo $OUT/prog-$size-few.zan" \
        -n "as" "as -o /dev/null $OUT/x86-$size.s" >&2

    as_s=$(csv_median "$OUT/time-$size.csv" as)
    as_cpu=$(csv_cpu "$OUT/time-$size.csv" as)
    for variant in many few; do
        z_s=$(csv_median "$OUT/time-$size.csv" "zanfo-$variant")
        z_cpu=$(csv_cpu "$OUT/time-$size.csv" "zanfo-$variant")
        med[$size-$variant]=$z_s
        rss=$(peak_rss_kib "$zanfo" "$OUT/prog-$size-$variant.zan")
        labels=$(awk 'NR == 1 { print $(NF - 2) }' "$OUT/prog-$size-$variant.zan")
        awk -v n="$size" -v lab="$labels" -v lines="$lines" -v z="$z_s" -v a="$as_s" \
            -v zc="$z_cpu" -v ac="$as_cpu" -v rss="$rss" 'BEGIN {
            printf "| %d | %d | %d | %.1f | %.1f | %.2f | %.2f | %.2e | %.1f |\n",
                   n, lab, lines, z * 1000, a * 1000, z / a, zc / ac, n / z, rss / 1024 }' >>"$results.table"
    done
done

{
    echo "# zanfo benchmark results"
    echo
    echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'),"\
         "$(free -g | awk '/^Mem:/ { print $2 }') GiB memory; $(date -u +%Y-%m-%d)."
    echo "Times are medians of hyperfine runs (zanfo and as in one hyperfine run each size)."
    echo
    cat "$results.table"
    echo
    if [ $smoke = 0 ]; then
        for variant in many few; do
            awk -v v="$variant" -v a="${med[100000-$variant]}" -v b="${med[1000000-$variant]}" \
                'BEGIN { printf "Growth, %s labels: time(10^6) / time(10^5) = %.1f\n", v, b / a }'
        done
        "$BUILD/bench/gen_program" 4096 few >"$OUT/prog-4096.zan"
        check_program "$OUT/prog-4096.zan" 4096
        hyperfine -N --style basic --warmup 50 --runs 300 --export-csv "$OUT/time-4096.csv" \
            -n true /bin/true -n zanfo-4096 "$zanfo $OUT/prog-4096.zan" >&2
        awk -v z="$(csv_median "$OUT/time-4096.csv" zanfo-4096)" \
            -v t="$(csv_median "$OUT/time-4096.csv" true)" \
            -v zc="$(csv_cpu "$OUT/time-4096.csv" zanfo-4096)" \
            -v tc="$(csv_cpu "$OUT/time-4096.csv" true)" \
            'BEGIN { printf "4096 microinstructions: %.2f ms, /bin/true %.2f ms, ratio %.1f (CPU time %.1f)\n",
                            z * 1000, t * 1000, z / t, zc / tc }'
    fi
} >"$results"
rm -f "$results.table"
cat "$results"
