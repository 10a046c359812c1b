# Only CR line ends, 40000 of them, so that the scanner refills its buffer
# several times: the diagnostics must still carry the exact line numbers.
crs() { printf "%0${1}d" 0 | tr 0 '\r'; }
{
    printf 'PROGRAM p\r'
    crs 20000
    printf 'JUMP(nowhere);'
    crs 20001
    printf 'R1 = R64\rEND\r'
} > prog.zan
