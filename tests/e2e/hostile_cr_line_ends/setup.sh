# Only CR line ends, 80000 of them, more than one read of the source holds:
# the diagnostics must still carry the exact line numbers.
crs() { printf "%0${1}d" 0 | tr 0 '\r'; }
{
    printf 'PROGRAM p\r'
    crs 40000
    printf 'JUMP(nowhere);'
    crs 40001
    printf 'R1 = R64\rEND\r'
} > prog.zan
