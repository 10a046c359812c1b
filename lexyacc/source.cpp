// zanfo: the source as the two passes read it.
#include "source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

const char msgSourceReadFailed[] = "input in flex scanner failed";
const char msgNoMemoryForSource[] = "out of dynamic memory in yy_create_buffer()";

bool IsFolder(FILE *source) {
    struct stat st;
    return fstat(fileno(source), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// A source that can be read only once.  Every byte read from it is kept;
// `at` is the position the next read gives, in the kept bytes while it lies
// inside them, from the source itself once it has reached their end.
struct KeptSource {
    FILE *source;      // the pipe, FIFO or device, opened by the caller
    std::string kept;  // every byte read from `source` so far, in order
    size_t at;         // position of the next byte to give
    bool ended;        // `source` has given its last byte: it is not read again
};

ssize_t ReadKept(void *cookie, char *buf, size_t size) {
    auto *s = static_cast<KeptSource *>(cookie);
    if (s->at == s->kept.size() && !s->ended) {
        // A terminal would wait for more after its end: ask only once.
        ssize_t n = read(fileno(s->source), buf, size);
        if (n <= 0) {
            s->ended = n == 0;
            return n;  // errno tells a read error, EINTR included
        }
        try {
            s->kept.append(buf, static_cast<size_t>(n));
        } catch (const std::bad_alloc &) {
            errno = ENOMEM;
            return -1;
        }
        s->at += static_cast<size_t>(n);
        return n;
    }
    size_t n = std::min(size, s->kept.size() - s->at);
    memcpy(buf, s->kept.data() + s->at, n);
    s->at += n;
    return static_cast<ssize_t>(n);
}

// Any position among the bytes read so far; the end only once it is known.
int SeekKept(void *cookie, off64_t *offset, int whence) {
    auto *s = static_cast<KeptSource *>(cookie);
    off64_t base;
    if (whence == SEEK_SET)
        base = 0;
    else if (whence == SEEK_CUR)
        base = static_cast<off64_t>(s->at);
    else if (whence == SEEK_END && s->ended)
        base = static_cast<off64_t>(s->kept.size());
    else {
        errno = ESPIPE;
        return -1;
    }
    if (*offset < -base || *offset > static_cast<off64_t>(s->kept.size()) - base) {
        errno = EINVAL;
        return -1;
    }
    s->at = static_cast<size_t>(base + *offset);
    *offset = static_cast<off64_t>(s->at);
    return 0;
}

int CloseKept(void *cookie) {
    auto *s = static_cast<KeptSource *>(cookie);
    int result = fclose(s->source);
    delete s;
    return result;
}

}  // namespace

FILE *ReadableTwice(FILE *source) {
    struct stat st;
    if (fstat(fileno(source), &st) == 0 && S_ISREG(st.st_mode))
        return source;
    auto *kept = new (std::nothrow) KeptSource{source, std::string(), 0, false};
    if (!kept)
        return nullptr;
    cookie_io_functions_t io = {ReadKept, nullptr, SeekKept, CloseKept};
    FILE *stream = fopencookie(kept, "r", io);
    if (!stream) {
        delete kept;
        return nullptr;
    }
    // The scanner asks for 64 KiB at a time: let each read of the source
    // be as large, rather than the 8 KiB of the default buffer.
    setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    return stream;
}
