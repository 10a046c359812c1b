# CR LF line ends, with one pair split across each likely end of a read
# of the source (the CR as the last byte of the first 8, 16, 64 and 128
# KiB): every pair is one line end, so the line numbers count pairs.
printf 'PROGRAM p\r\n' > prog.zan                  # line 1
offset=11
for boundary in 8192 16384 65536 131072; do       # lines 2 to 5
    printf "%$((boundary - 1 - offset))s\r\n" '' >> prog.zan
    offset=$((boundary + 1))
done
printf 'JUMP(nowhere)\r\nEND\r\n' >> prog.zan      # line 6
for boundary in 8192 16384 65536 131072; do
    [ "$(head -c "$boundary" prog.zan | tail -c 1 | od -An -tx1 | tr -d ' ')" = 0d ] || exit 1
done
