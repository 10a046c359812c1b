# CR LF line ends, with one pair split across each of the scanner's first
# reads of 8192 bytes (the CR at offsets 8191 and 16383, the LF after it):
# every pair is one line end, so the line numbers count pairs.
fill() { printf "%0${1}d" 0 | tr 0 ' '; }
{
    printf 'PROGRAM p\r\n'          # 11 bytes, line 1
    fill 8180; printf '\r\n'         # the CR at offset 8191
    fill 8190; printf '\r\n'         # the CR at offset 16383
    printf 'JUMP(nowhere)\r\nEND\r\n'  # line 4
} > prog.zan
[ "$(head -c 8192 prog.zan | tail -c 1 | od -An -c | tr -d ' ')" = '\r' ] || exit 1
[ "$(head -c 16384 prog.zan | tail -c 1 | od -An -c | tr -d ' ')" = '\r' ] || exit 1
