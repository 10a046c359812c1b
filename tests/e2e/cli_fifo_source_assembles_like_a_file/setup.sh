# prog.zan is a FIFO: it cannot be rewound for the second pass.  A writer
# gives the program in two parts, the second only after a pause, so zanfo
# has read the first part before the rest arrives.  The writer gives up
# after a minute if zanfo never opens the FIFO.
mkfifo prog.zan
timeout 60 bash -c '{ head -n 5 source.txt; sleep 0.2; tail -n +6 source.txt; } > prog.zan' \
    < /dev/null > /dev/null 2>&1 &
