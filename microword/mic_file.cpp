// zanfo: the .mic reader shared by every command that takes a .mic file.
#include "mic_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

// A file full of garbage is refused after this many errors; the rest are
// counted in one last line.
constexpr size_t kMaxErrors = 20;

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads `count` hex digits from `text`; false at the first that is not one.
bool ParseHex(const char *text, size_t count, uint64_t *value) {
    uint64_t v = 0;
    for (size_t i = 0; i < count; ++i) {
        int d = HexDigit(text[i]);
        if (d < 0)
            return false;
        v = v << 4 | static_cast<uint64_t>(d);
    }
    *value = v;
    return true;
}

// Says what is wrong with a line that is not "AAAA WWWWWWWWWWWWWWWW".
std::string Malformed(const std::string &line) {
    if (line.empty())
        return "empty line: expected an address and a microword";
    for (unsigned char c : line)
        if (c < 0x20 && c != '\t')
            return "control character in the line: expected an address and a microword";
        else if (c >= 0x7F)
            return "not a .mic line: byte outside ASCII";
    return "malformed line: expected four hexadecimal digits of address, one blank "
           "and sixteen of microword";
}

class Reader {
  public:
    Reader(MicFile &file, MicUse use) : file_(file), use_(use) {}

    void Line(const std::string &text, unsigned number) {
        uint64_t address = 0, word = 0;
        if (text.size() != 21 || text[4] != ' ' || !ParseHex(text.data(), 4, &address) ||
            !ParseHex(text.data() + 5, 16, &word)) {
            Error(number, Malformed(text));
            return;
        }
        MicWord mic{static_cast<uint32_t>(address), word, number};
        if (use_ == MicUse::ControlStore && mic.address > kLastStoreAddress) {
            Error(number, Printf("address %04X is outside the control store (000..FFF)", mic.address));
            return;
        }
        auto first = firstLine_.emplace(mic.address, number);
        if (!first.second) {
            std::string text = Printf("address %04X given twice (first at line %u)", mic.address,
                                      first.first->second);
            if (use_ == MicUse::ControlStore) {
                Error(number, text);
                return;
            }
            file_.problems.push_back({number, true, text});
        }
        file_.words.push_back(mic);
    }

    bool Full() const { return errors_ >= kMaxErrors; }

    void Finish(unsigned lines) {
        if (Full())
            file_.problems.push_back({0, false, "too many errors; the file is refused"});
        else if (lines == 0)
            file_.problems.push_back({0, true, "empty file: no microwords (zanfo leaves it empty after a syntax error)"});
    }

  private:
    static std::string Printf(const char *format, unsigned a, unsigned b = 0) {
        char text[128];
        snprintf(text, sizeof text, format, a, b);
        return text;
    }

    void Error(unsigned line, std::string text) {
        ++errors_;
        file_.problems.push_back({line, false, std::move(text)});
    }

    MicFile &file_;
    MicUse use_;
    size_t errors_ = 0;
    std::unordered_map<uint32_t, unsigned> firstLine_;  // address -> line of its first word
};

}  // namespace

bool MicFile::Refused() const {
    for (const MicProblem &p : problems)
        if (!p.warning)
            return true;
    return false;
}

MicFile ParseMicText(const std::string &name, const std::string &text, MicUse use) {
    MicFile file;
    file.name = name;
    Reader reader(file, use);
    unsigned number = 0;
    size_t pos = 0;
    while (pos < text.size() && !reader.Full()) {
        size_t end = text.find('\n', pos);
        size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        size_t stop = end > pos && text[end - 1] == '\r' ? end - 1 : end;
        reader.Line(text.substr(pos, stop - pos), ++number);
        pos = next;
    }
    reader.Finish(number);
    return file;
}

namespace {

bool EndsWith(const std::string &name, const char *extension) {
    const size_t n = strlen(extension);
    if (name.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower(static_cast<unsigned char>(name[name.size() - n + i])) != extension[i])
            return false;
    return true;
}

}  // namespace

bool IsMicText(const std::string &name, const std::string &text) {
    if (EndsWith(name, ".mic"))
        return true;
    if (EndsWith(name, ".zan"))
        return false;
    if (text.empty())
        return true;
    std::string first = text.substr(0, text.find('\n'));
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    uint64_t ignored;
    return first.size() == 21 && first[4] == ' ' && ParseHex(first.data(), 4, &ignored) &&
           ParseHex(first.data() + 5, 16, &ignored);
}

bool ReadWholeFile(const std::string &name, std::string *text, int *error, size_t limit) {
    text->clear();
    FILE *in = name == "-" ? stdin : fopen(name.c_str(), "rb");
    if (!in) {
        *error = errno;
        return false;
    }
    // Straight into `text`, a block at a time, up to the limit; one byte
    // more says the file is too long.
    const size_t kBlock = size_t{1} << 16;
    size_t have = 0;
    int failure = 0;
    for (;;) {
        size_t want = std::min(kBlock, limit - have);
        if (want == 0) {
            if (fgetc(in) != EOF)
                failure = EFBIG;
            else if (ferror(in))
                failure = errno ? errno : EIO;
            break;
        }
        if (have + want > text->capacity())
            text->reserve(std::min(limit, std::max(2 * text->capacity(), have + want)));
        text->resize(have + want);
        size_t n = fread(&(*text)[have], 1, want, in);
        have += n;
        if (n < want) {
            failure = ferror(in) ? (errno ? errno : EIO) : 0;
            break;
        }
    }
    text->resize(have);
    *error = failure;
    if (in != stdin)
        fclose(in);
    return *error == 0;
}

std::string ReadFailure(int error, size_t limit) {
    if (error == EFBIG)
        return "larger than " + std::to_string(limit >> 20) + " MiB";
    return strerror(error);
}

MicFile ReadMicFile(const std::string &name, MicUse use) {
    std::string text;
    int error = 0;
    if (!ReadWholeFile(name, &text, &error))
        return UnreadableMicFile(name, error);
    return ParseMicText(name, text, use);
}

MicFile UnreadableMicFile(const std::string &name, int error) {
    MicFile file;
    file.name = name;
    file.problems.push_back({0, false, "cannot read the file: " + ReadFailure(error, kMicFileLimit)});
    return file;
}

std::string FormatProblem(const MicFile &file, const MicProblem &problem) {
    std::string out = file.name + ":";
    if (problem.line)
        out += std::to_string(problem.line) + ":";
    out += problem.warning ? " warning: " : " ";
    return out + problem.text;
}

bool ReportProblems(const MicFile &file) {
    for (const MicProblem &p : file.problems)
        fprintf(stderr, "%s\n", FormatProblem(file, p).c_str());
    return !file.Refused();
}
