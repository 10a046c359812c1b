// zanfo-lsp: reading and writing framed messages.
#include "protocol.h"

#include <cctype>

namespace {

enum class LineRead { Line, TooLong, End };

// One header line without its CR LF (a bare LF ends one too).
LineRead ReadLine(std::istream &in, std::string *line) {
    line->clear();
    bool tooLong = false;
    for (int c; (c = in.get()) != EOF;) {
        if (c == '\n') {
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            return tooLong ? LineRead::TooLong : LineRead::Line;
        }
        if (line->size() < kMaxHeaderLine)
            *line += static_cast<char>(c);
        else
            tooLong = true;
    }
    return LineRead::End;
}

std::string Lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string &text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Reads and drops `count` bytes; false when the stream ends first.
bool Skip(std::istream &in, size_t count) {
    char buffer[65536];
    while (count > 0) {
        const size_t chunk = count < sizeof buffer ? count : sizeof buffer;
        in.read(buffer, static_cast<std::streamsize>(chunk));
        if (static_cast<size_t>(in.gcount()) != chunk)
            return false;
        count -= chunk;
    }
    return true;
}

}  // namespace

Frame ReadFrame(std::istream &in) {
    std::string line, problem;
    bool haveLength = false, anyLine = false;
    size_t length = 0;
    for (;;) {
        const LineRead read = ReadLine(in, &line);
        if (read == LineRead::End)
            return {Frame::End, "", ""};
        if (read == LineRead::TooLong) {
            problem = "a header line longer than " + std::to_string(kMaxHeaderLine) + " bytes";
            anyLine = true;
            continue;
        }
        if (line.empty() && !anyLine)
            continue;  // blank lines between messages
        if (line.empty())
            break;
        anyLine = true;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            problem = "a header line without \":\"";
            continue;
        }
        if (Lower(Trim(line.substr(0, colon))) != "content-length")
            continue;  // Content-Type and anything else
        const std::string value = Trim(line.substr(colon + 1));
        bool digits = !value.empty() && value.size() <= 12;
        for (char c : value)
            digits = digits && isdigit(static_cast<unsigned char>(c));
        if (!digits) {
            problem = "Content-Length is no number: \"" + value.substr(0, 40) + "\"";
            continue;
        }
        length = std::stoull(value);
        haveLength = true;
    }
    if (!haveLength)
        return {Frame::Malformed, "", problem.empty() ? "a message without Content-Length" : problem};
    if (length > kMaxBody) {
        if (!Skip(in, length))
            return {Frame::End, "", ""};
        return {Frame::Malformed, "", "a message of " + std::to_string(length) + " bytes, more than the " +
                                          std::to_string(kMaxBody) + " zanfo-lsp takes"};
    }
    std::string body(length, '\0');
    in.read(&body[0], static_cast<std::streamsize>(length));
    if (static_cast<size_t>(in.gcount()) != length)
        return {Frame::End, "", ""};
    if (!problem.empty())
        return {Frame::Malformed, "", problem};
    return {Frame::Message, std::move(body), ""};
}

std::string FrameText(const std::string &body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
