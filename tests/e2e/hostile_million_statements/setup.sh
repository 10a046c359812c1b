# One line of a million statements, and the million microwords they make:
# a NOP, a register copy and a jump in turn, at addresses that run past
# 65535 (the address column keeps the low 16 bits).
awk -v mic="$EXPECTED/prog.mic" 'BEGIN {
    printf "PROGRAM million "
    for (i = 0; i < 1000000; i++) {
        k = i % 3
        if (k == 0) {
            s = "NOP"; w = "4E00009040000000"
        } else if (k == 1) {
            a = i % 64; b = (i * 7) % 64
            s = "R" a " = R" b; w = sprintf("4E0000B1%08X", a * 4194304 + b * 65536)
        } else {
            t = i % 65536
            s = "JUMP(" t ")"; w = sprintf("43000090%08X", 1073741824 + t)
        }
        printf "%s%s", (i ? "; " : ""), s
        printf "%04X %s\n", i % 65536, w > mic
    }
    printf " END\n"
}' > prog.zan
