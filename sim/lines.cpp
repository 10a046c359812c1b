// The lines of zanfo's line-based input files.
#include "lines.h"

#include <cctype>

std::string Lower(std::string text) {
    for (char &c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string &text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string> Words(const std::string &line) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(" \t\r", pos);
        if (pos == std::string::npos)
            return words;
        size_t end = line.find_first_of(" \t\r", pos);
        if (end == std::string::npos)
            end = line.size();
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
}

std::string WordedLine::Keyword() const { return Lower(words[0]); }

std::string WordedLine::Rest() const {
    const std::string line = Trim(text);
    return Trim(line.substr(words[0].size()));
}

std::vector<WordedLine> WordedLines(const std::string &text) {
    std::vector<WordedLine> lines;
    unsigned number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        pos = end + 1;
        ++number;
        line = line.substr(0, line.find('#'));
        std::vector<std::string> words = Words(line);
        if (!words.empty())
            lines.push_back({number, line, words});
    }
    return lines;
}

std::string ProblemAt(const std::string &name, unsigned line, const std::string &message) {
    return name + ":" + std::to_string(line) + ": " + message;
}
