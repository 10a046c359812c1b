# Every write to the output fails.
ln -s /dev/full prog.mic
