// zanfo: the source as the two passes read it.
//
// The second pass reads the source again from its first byte.  A regular
// file is simply rewound and streamed twice.  A pipe, a FIFO, a terminal or
// a character device cannot be rewound: what the first pass reads from it is
// kept, and the second pass reads the kept bytes.
#ifndef ZANFO_SOURCE_H
#define ZANFO_SOURCE_H

#include <cstdio>

// The scanner's words for a source that cannot be read, and for no memory
// to read it with.
extern const char msgSourceReadFailed[];
extern const char msgNoMemoryForSource[];

// True when `source` is a folder: it opens, but its first read fails.
bool IsFolder(FILE *source);

// A stream that both passes can read from the first byte: `source` itself
// when it is a regular file, else a stream that reads `source` once and
// keeps every byte it gives, so that a rewind (or any seek back into what
// was read) gives them again.  Closing it closes `source`.  Null when there
// is no memory for it; `source` is then still open.
FILE *ReadableTwice(FILE *source);

#endif
