// zanfo: the source as the two passes read it.
#include "source.h"

#include <sys/stat.h>

const char msgSourceReadFailed[] = "input in flex scanner failed";

bool IsFolder(FILE *source) {
    struct stat st;
    return fstat(fileno(source), &st) == 0 && S_ISDIR(st.st_mode);
}
