# A generated program of 200000 microinstructions with its expected .mic:
# labels used before and after their definition and in either case, EQU
# names used as registers, rare ORGs, and ALU, jump, call, loop, shift and
# COMP items with random registers and constants.  The generator is
# deterministic: its own Park-Miller random numbers, exact in awk's doubles.
#
# Each kind of microinstruction has a fixed upper half of the microword;
# the lower half holds the register fields and the constant:
#   bits 31..30 low bits of AluSource, 27..22 RegB, 21..16 RegA, 15..0 constant
awk -v mic="$EXPECTED/prog.mic" '
function rnd(n) { x = (x * 16807) % 2147483647; return x % n }
function word(hi, lo) { return sprintf("%s%08X", hi, lo) }
function kw(w) { return rnd(2) ? w : tolower(w) }
# A register operand: "R" and its number, or an EQU name bound to one.
function reg() {
    if (neq > 0 && rnd(3) == 0) {
        e = rnd(neq); n = eqReg[e]
        return (rnd(2) ? "v" : "V") e
    }
    n = rnd(64)
    return "R" n
}
function constant() {
    c = 1 + rnd(65535)
    return rnd(2) ? c : sprintf("$%X", c)
}
function label() {
    j = rnd(nlab); target = labAddr[j] % 65536
    return (rnd(2) ? "L" : "l") j
}
BEGIN {
    x = 20240607; N = 200000; nlab = 0; neq = 0
    split("UZ NUZ MZ NMZ UV NUV MV NMV UN NUN MN NMN UC NUC MC NMC " \
          "USG USGE MSG MSGE USS USSE MSS MSSE UUG UUGE MUG MUGE UUS UUSE MUS MUSE", cw, " ")
    split("0 16 4 20 2 18 6 22 1 17 5 21 3 19 7 23 8 25 12 29 9 24 13 28 10 27 14 31 11 26 15 30", cc, " ")
    # Addresses and labels first, so that jumps can go forward as well.
    dir = 0
    for (i = 0; i < N; i++) {
        if (rnd(5000) == 0) { org[i] = rnd(4096); dir = org[i] }
        if (rnd(4) == 0) { lab[i] = nlab; labAddr[nlab++] = dir }
        addr[i] = dir++
    }
    print "PROGRAM generated { 200000 microinstructions }"
    for (i = 0; i < N; i++) {
        if (i in org) print kw("ORG") " " org[i] ";"
        if (rnd(20) == 0) {
            eqReg[neq] = rnd(64)
            print kw("EQU") " v" neq " R" eqReg[neq] ";"
            neq++
        }
        s = (i in lab) ? "L" lab[i] ": " : ""
        t = rnd(11)
        if (t == 0) {
            s = s kw("NOP"); w = word("4E000090", 1073741824)
        } else if (t == 1) {
            d = reg(); a = n; o = reg(); b = n
            s = s d " = " o; w = word("4E0000B1", a * 4194304 + b * 65536)
        } else if (t == 2) {
            d = reg(); a = n; o = reg(); b = n; k = constant()
            s = s d " = " o " + " k; w = word("4E3800B1", 1073741824 + a * 4194304 + b * 65536 + c)
        } else if (t == 3) {
            d = reg(); a = n; o = reg(); b = n
            s = s d " = " d " - " o; w = word("4E0001B2", 1073741824 + a * 4194304 + b * 65536)
        } else if (t == 4) {
            s = s kw("JUMP") "(" label() ")"; w = word("43000090", 1073741824 + target)
        } else if (t == 5) {
            q = 1 + rnd(32)
            s = s kw("CALL") "(" label() ", " kw(cw[q]) ")"
            w = word(sprintf("%08X", 16777360 + cc[q] * 4096), 1073741824 + target)
        } else if (t == 6) {
            o = reg(); b = n
            s = s "RQ = " kw("MEM") " " kw("AND") " " o; w = word("4E080089", 1073741824 + b * 65536)
        } else if (t == 7) {
            d = reg(); a = n; o = reg(); b = n; h = rnd(3)
            s = s d " = " d " + " o ", " (h == 0 ? "LSR" : h == 1 ? "ASR" : "LSL")
            w = word(h == 0 ? "4E0000D0" : h == 1 ? "4E0400D0" : "4E0000F0", 1073741824 + a * 4194304 + b * 65536)
        } else if (t == 8) {
            o = reg(); a = n; k = constant()
            s = s kw("COMP") "(" o ", " k ")"; w = word("4E380993", 1073741824 + a * 65536 + c)
        } else if (t == 9) {
            o = reg(); a = n
            s = s kw("INCR") "(" o ")"; w = word("4E0001B0", 3221225472 + a * 4194304)
        } else {
            s = s kw("HALT") ", " kw("LOOP") "(" label() ")"; w = word("C8000090", 1073741824 + target)
        }
        print s (i < N - 1 ? ";" : "")
        printf "%04X %s\n", addr[i] % 65536, w > mic
    }
    print "END"
}' > prog.zan
