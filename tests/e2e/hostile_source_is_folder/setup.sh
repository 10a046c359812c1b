# A folder opens for reading on Linux; the first read of it fails.  The
# output was created, empty, before the scanner read anything.
mkdir prog.zan
