# A folder opens for reading on Linux, but cannot be read.  It is refused
# before the output is created: no prog.mic is left beside it.
mkdir prog.zan
