// zanfo: the source as the two passes read it.
#ifndef ZANFO_SOURCE_H
#define ZANFO_SOURCE_H

#include <cstdio>

// The scanner's words for a source that cannot be read.
extern const char msgSourceReadFailed[];

// True when `source` is a folder: it opens, but its first read fails.
bool IsFolder(FILE *source);

#endif
