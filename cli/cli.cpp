// zanfo's companion commands: version, UTF-8 and whole output files.
#include "cli.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>

#ifndef ZANFO_VERSION
#define ZANFO_VERSION "unknown"
#endif

std::string VersionText(const char *command) {
    return std::string(command) + " (zanfo) " ZANFO_VERSION "\n"
           "Copyright (c) 2026 the zanfo developers. MIT licence.\n";
}

void PrintVersion(const char *command) { fputs(VersionText(command).c_str(), stdout); }

int WithinMemory(const char *command, int status, const std::function<int()> &body) {
    try {
        return body();
    } catch (const std::bad_alloc &) {
        fprintf(stderr, "%s: out of memory\n", command);
        return status;
    }
}

std::string UsageText(const char *command, const std::string &problems) {
    const std::string head = std::string(command) + ": ";
    std::string text = head;
    for (char c : problems)
        text += c == '\n' ? "\n" + head : std::string(1, c);
    return text + "\nTry '" + command + " --help' for more information.\n";
}

bool OptionReader::Next(std::string *name, std::string *value, std::string *error) {
    error->clear();
    while (at_ < args_.size()) {
        const std::string &arg = args_[at_++];
        if (operandsOnly_ || arg.size() < 2 || arg[0] != '-') {
            operands_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            operandsOnly_ = true;
            continue;
        }
        const size_t eq = arg.find('=');
        const bool hasValue = arg.compare(0, 2, "--") == 0 && eq != std::string::npos;
        *name = hasValue ? arg.substr(0, eq) : arg;
        *value = hasValue ? arg.substr(eq + 1) : "";
        if (!withValue_.count(*name)) {
            if (!hasValue)
                return true;
            *error = "option " + *name + " takes no value";
            return false;
        }
        if (!hasValue) {
            if (at_ == args_.size()) {
                *error = "option " + *name + " needs a value";
                return false;
            }
            *value = args_[at_++];
        }
        return true;
    }
    return false;
}

std::string Latin1ToUtf8(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

OutputFile::OutputFile(const std::string &name) : name_(name) {}

OutputFile::~OutputFile() {
    if (stream_ && stream_ != stdout) {
        fclose(stream_);
        if (!tempName_.empty())
            unlink(tempName_.c_str());
    }
}

bool OutputFile::Open() {
    if (name_ == "-") {
        stream_ = stdout;
        return true;
    }
    // What lies at the name decides how it is written.
    target_ = name_;
    struct stat st;
    if (lstat(name_.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        bool link = S_ISLNK(st.st_mode);
        char *resolved = link ? realpath(name_.c_str(), nullptr) : nullptr;
        struct stat to;
        bool linkToFile = resolved && stat(resolved, &to) == 0 && S_ISREG(to.st_mode);
        bool dangling = link && stat(name_.c_str(), &to) != 0;
        if (linkToFile)
            target_ = resolved;  // replace the file, keep the link
        free(resolved);
        if (!linkToFile && !dangling) {  // a device, a pipe, or a link to one: in place
            stream_ = fopen(name_.c_str(), "wb");
            return stream_ != nullptr;
        }
    }
    // The temporary file lies in the target's folder, so that the rename
    // stays on one file system.
    tempName_ = target_ + ".XXXXXX";
    int fd = mkstemp(&tempName_[0]);
    if (fd < 0)
        return false;
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        int saved = errno;
        close(fd);
        unlink(tempName_.c_str());
        errno = saved;
        return false;
    }
    return true;
}

bool OutputFile::Commit() {
    if (!stream_)
        return false;
    if (stream_ == stdout) {
        stream_ = nullptr;
        return fflush(stdout) == 0 && !ferror(stdout);
    }
    bool ok = !ferror(stream_);
    ok = fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    if (tempName_.empty())
        return ok;
    // mkstemp makes the file private; give it the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    ok = ok && chmod(tempName_.c_str(), 0666 & ~mask) == 0;
    if (ok && rename(tempName_.c_str(), target_.c_str()) == 0)
        return true;
    int saved = errno;
    unlink(tempName_.c_str());
    errno = saved;
    return false;
}
