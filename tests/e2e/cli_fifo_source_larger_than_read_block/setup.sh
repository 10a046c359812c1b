# A FIFO that gives a program of about 350 KB, several times the scanner's
# 64 KiB read and its 128 KiB buffer: the second pass reads every byte the
# first pass read.  The first microinstruction jumps to the last one, whose
# label the first pass meets only at the end; the last names an unknown
# label, reported by the second pass on the last line but one.
awk -v mic="$EXPECTED/prog.mic" 'BEGIN {
    n = 10000
    printf "PROGRAM big\nJUMP(last);\n"
    printf "%04X %s\n", 0, sprintf("43000090%08X", 1073741824 + n) > mic
    for (i = 1; i < n; i++) {
        a = i % 64; b = (i * 7) % 64
        printf "R%d = R%d;   { copy %d of %d }\n", a, b, i, n
        printf "%04X 4E0000B1%08X\n", i, a * 4194304 + b * 65536 > mic
    }
    printf "last: JUMP(nowhere)\nEND\n"
    printf "%04X 4300009040000000\n", n > mic
}' > source.txt
[ "$(wc -c < source.txt)" -gt 262144 ] || exit 1
mkfifo prog.zan
timeout 60 cp source.txt prog.zan < /dev/null > /dev/null 2>&1 &
