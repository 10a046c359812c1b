// zanfo-rom: the command line, the store built from the .mic file, and the
// chosen writer.
#include "rom_command.h"

#include <algorithm>
#include <cstdio>

#include "cli.h"
#include "inputs.h"
#include "rom.h"

namespace {

const char kCommand[] = "zanfo-rom";
constexpr uint64_t kMappingWidth = 16;   // bits of a mapping word: an address, or kNotMapped
constexpr uint64_t kNotMapped = 0xFFFF;  // the mapping word of an opcode not mapped
constexpr uint64_t kStoreDepth = kLastStoreAddress + 1;  // the 4096 words of the store
constexpr uint64_t kMaxDepth = 65536;                     // a whole EPROM or block RAM of 64Ki words

// What the command line asks for.
struct Request {
    const RomFormat *format = nullptr;  // --format
    std::string output = "-";           // -o, --output
    uint64_t depth = kStoreDepth;       // --depth
    bool depthGiven = false;
    uint64_t fill = 0;                  // --fill
    bool fillGiven = false;
    std::string jmap;                   // --jmap: the mapping instead of a .mic file
    bool laneGiven = false;             // --lane
    uint64_t lane = 0;
    bool widthGiven = false;            // --lane-width
    uint64_t width = 64;
    std::vector<std::string> files;     // the operands
};

// The options that take a value, by their long name.
enum class Option { Format, Output, Depth, Fill, Lane, LaneWidth, Jmap };
struct OptionName {
    const char *name;  // without the leading "--"
    Option option;
};
const OptionName kOptions[] = {
    {"format", Option::Format},
    {"output", Option::Output},
    {"depth", Option::Depth},
    {"fill", Option::Fill},
    {"lane", Option::Lane},
    {"lane-width", Option::LaneWidth},
    {"jmap", Option::Jmap},
};

std::string Usage() {
    std::string text =
        "Usage: zanfo-rom --format FORMAT [OPTION]... FILE.mic\n"
        "  or:  zanfo-rom --format FORMAT --jmap FILE.map [OPTION]...\n"
        "Writes the control store of FILE.mic (\"-\": standard input), as zanfo\n"
        "assembled it, as a ROM image for a programmer, a simulator or an FPGA tool;\n"
        "with --jmap, the mapping PROM of JMAP instead.\n"
        "\n"
        "  --format FORMAT    the image format:\n";
    for (size_t i = 0; i < kRomFormatCount; ++i) {
        char line[128];
        snprintf(line, sizeof line, "                       %-9s %s\n", kRomFormats[i].name,
                 kRomFormats[i].purpose);
        text += line;
    }
    text +=
        "  -o, --output FILE  write the image to FILE (default: standard output);\n"
        "                     FILE appears whole or not at all\n"
        "  --depth N          words in the store, 1 to 65536 (default 4096); every\n"
        "                     address of FILE.mic must be below N\n"
        "  --fill WORD        the word at the addresses FILE.mic does not give\n"
        "                     (default 0), decimal or hexadecimal with 0x\n"
        "  --lane K           write only lane K of each word: bits K*W up to K*W+W-1,\n"
        "                     lane 0 the least significant; needs --lane-width\n"
        "  --lane-width W     lane width, 1 to 64 bits, with K*W below 64; bits above\n"
        "                     bit 63 in the last lane read as 0\n"
        "  --jmap FILE.map    the mapping of zanfo-sim --map FILE.map as 256 words of\n"
        "                     16 bits, one per opcode, FFFF for an opcode not mapped\n"
        "      --help         show this help and exit\n"
        "      --version      show the version and exit\n"
        "\n"
        "Binary and hexadecimal images hold each word most significant byte first.\n"
        "Exit status: 0 image written, 2 bad command line, .mic or mapping file, 3 the image\n"
        "cannot be written.\n";
    return text;
}

// A whole number: decimal, or hexadecimal after 0x; false when the text is
// anything else or does not fit in 64 bits.
bool ParseNumber(const std::string &text, uint64_t *value) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    size_t start = hex ? 2 : 0;
    if (text.size() == start)
        return false;
    uint64_t v = 0;
    for (size_t i = start; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        uint64_t base = hex ? 16 : 10;
        if (v > (UINT64_MAX - digit) / base)
            return false;
        v = v * base + digit;
    }
    *value = v;
    return true;
}

class Parser {
  public:
    explicit Parser(RomResult &result) : result_(result) {}

    // False when the run ends here: --help, --version or a usage error.
    bool Parse(const std::vector<std::string> &args, Request &request) {
        bool operandsOnly = false;
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string &arg = args[i];
            if (operandsOnly || arg == "-" || arg.empty() || arg[0] != '-') {
                request.files.push_back(arg);
                continue;
            }
            if (arg == "--") {
                operandsOnly = true;
            } else if (arg == "--help") {
                result_.out = Usage();
                return false;
            } else if (arg == "--version") {
                result_.out = VersionText(kCommand);
                return false;
            } else if (arg.compare(0, 2, "-o") == 0) {
                std::string value = arg.substr(2);
                if (value.empty() && !Next(args, i, "-o", value))
                    return false;
                request.output = value;
            } else if (arg.compare(0, 2, "--") == 0) {
                size_t equals = arg.find('=');
                std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
                const OptionName *option = Find(name);
                if (!option)
                    return Fail("unknown option '" + arg + "'");
                std::string value;
                if (equals != std::string::npos)
                    value = arg.substr(equals + 1);
                else if (!Next(args, i, arg, value))
                    return false;
                if (!Set(option->option, "--" + name, value, request))
                    return false;
            } else {
                return Fail("unknown option '" + arg + "'");
            }
        }
        return Check(request);
    }

  private:
    static const OptionName *Find(const std::string &name) {
        for (const OptionName &option : kOptions)
            if (name == option.name)
                return &option;
        return nullptr;
    }

    bool Next(const std::vector<std::string> &args, size_t &i, const std::string &option, std::string &value) {
        if (i + 1 >= args.size())
            return Fail("option '" + option + "' needs a value");
        value = args[++i];
        return true;
    }

    bool Set(Option option, const std::string &name, const std::string &value, Request &request) {
        switch (option) {
        case Option::Format:
            request.format = FindRomFormat(value);
            if (!request.format) {
                std::string known;
                for (size_t i = 0; i < kRomFormatCount; ++i)
                    known += std::string(i ? ", " : "") + kRomFormats[i].name;
                return Fail("unknown format '" + value + "' (formats: " + known + ")");
            }
            return true;
        case Option::Output:
            if (value.empty())
                return Fail("--output needs a file name");
            request.output = value;
            return true;
        case Option::Depth:
            request.depthGiven = true;
            if (!ParseNumber(value, &request.depth) || request.depth < 1 || request.depth > kMaxDepth)
                return Fail(name + " must be a number of words from 1 to 65536, not '" + value + "'");
            return true;
        case Option::Fill:
            request.fillGiven = true;
            if (!ParseNumber(value, &request.fill))
                return Fail(name + " must be a 64-bit word, in decimal or in hexadecimal after 0x, not '" +
                            value + "'");
            return true;
        case Option::Lane:
            request.laneGiven = true;
            if (!ParseNumber(value, &request.lane) || request.lane > 63)
                return Fail(name + " must be a lane number from 0 to 63, not '" + value + "'");
            return true;
        case Option::LaneWidth:
            request.widthGiven = true;
            if (!ParseNumber(value, &request.width) || request.width < 1 || request.width > 64)
                return Fail(name + " must be a width from 1 to 64 bits, not '" + value + "'");
            return true;
        case Option::Jmap:
            if (value.empty())
                return Fail("--jmap needs a mapping file");
            request.jmap = value;
            return true;
        }
        return true;
    }

    bool Check(const Request &request) {
        if (!request.format)
            return Fail("no format: say --format FORMAT");
        if (!request.jmap.empty())
            return CheckMapping(request);
        if (request.files.empty())
            return Fail("no .mic file");
        if (request.files.size() > 1)
            return Fail("one .mic file only, not " + std::to_string(request.files.size()));
        if (request.laneGiven != request.widthGiven)
            return Fail(request.laneGiven ? "--lane needs --lane-width" : "--lane-width needs --lane");
        if (request.lane * request.width >= 64)
            return Fail("lane " + std::to_string(request.lane) + " of width " + std::to_string(request.width) +
                        " would start at bit " + std::to_string(request.lane * request.width) +
                        ": a word has bits 0 to 63");
        return true;
    }

    // The mapping is 256 words of 16 bits: no .mic file, no depth or fill
    // of its own, lanes within the 16 bits.
    bool CheckMapping(const Request &request) {
        if (!request.files.empty())
            return Fail("--jmap writes the mapping: no .mic file with it");
        if (request.depthGiven || request.fillGiven)
            return Fail(std::string(request.depthGiven ? "--depth" : "--fill") +
                        " is not for the mapping, which has a word for each of the 256 opcodes");
        if (request.laneGiven != request.widthGiven)
            return Fail(request.laneGiven ? "--lane needs --lane-width" : "--lane-width needs --lane");
        if (request.lane * request.width >= kMappingWidth)
            return Fail("lane " + std::to_string(request.lane) + " of width " + std::to_string(request.width) +
                        " would start at bit " + std::to_string(request.lane * request.width) +
                        ": a mapping word has bits 0 to 15");
        return true;
    }

    bool Fail(const std::string &message) {
        result_.err = std::string(kCommand) + ": " + message + "\nTry 'zanfo-rom --help' for more information.\n";
        result_.status = 2;
        return false;
    }

    RomResult &result_;
};

// The file's base name in characters that are safe in a comment of every
// format and in the S0 record: letters, digits and ". _ + -".
std::string CommentName(const std::string &path) {
    if (path == "-")
        return "standard input";
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char &c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        bool safe = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '.' ||
                    c == '_' || c == '+' || c == '-';
        if (!safe)
            c = '_';
    }
    return name;
}

// Loads the words of the .mic file into a store of `depth` words; false,
// with every problem in `err`, when the file is refused.
bool LoadStore(const MicFile &mic, const Request &request, RomImage &image, std::string &err) {
    MicFile checked = mic;
    image.words.assign(request.depth, request.fill);
    for (const MicWord &word : mic.words) {
        if (word.address >= request.depth) {
            char text[96];
            snprintf(text, sizeof text, "address %04X is outside a store of depth %u (--depth)", word.address,
                     static_cast<unsigned>(request.depth));
            checked.problems.push_back({word.line, false, text});
        } else {
            image.words[word.address] = word.word;
        }
    }
    // In the order of the file; problems of the file as a whole last.
    auto order = [](const MicProblem &p) { return p.line ? p.line : ~0u; };
    std::stable_sort(checked.problems.begin(), checked.problems.end(),
                     [&](const MicProblem &a, const MicProblem &b) { return order(a) < order(b); });
    for (const MicProblem &problem : checked.problems)
        err += FormatProblem(checked, problem) + "\n";
    return !checked.Refused();
}

// The JMAP mapping of `name`, read with zanfo-sim's reader: one word per
// opcode, FFFF for an opcode that is not mapped.  False, with every
// problem in `err`, when the file is refused.
bool LoadMapping(const std::string &name, const RomEnvironment &environment, RomImage &image, std::string &err) {
    std::string text, error;
    if (!environment.readText) {
        err += std::string(kCommand) + ": --jmap: no mapping files here\n";
        return false;
    }
    if (!environment.readText(name, &text, &error)) {
        err += std::string(kCommand) + ": " + name + ": cannot read the file: " + error + "\n";
        return false;
    }
    std::array<int, kOpcodes> mapping;
    std::vector<std::string> problems;
    if (!ParseMapping(name, text, &mapping, &problems)) {
        for (const std::string &problem : problems)
            err += problem + "\n";
        return false;
    }
    image.words.clear();
    for (int address : mapping)
        image.words.push_back(address < 0 ? kNotMapped : static_cast<uint64_t>(address));
    return true;
}

}  // namespace

RomResult RunRom(const std::vector<std::string> &args, const RomEnvironment &environment) {
    RomResult result;
    Request request;
    if (!Parser(result).Parse(args, request))
        return result;
    const std::string &input = request.jmap.empty() ? request.files.front() : request.jmap;
    if (request.format->binary && request.output == "-" && environment.stdoutIsTerminal) {
        result.err = std::string(kCommand) + ": " + request.format->name +
                     " is raw bytes: not written to a terminal; give -o FILE or redirect the output\n";
        result.status = 2;
        return result;
    }
    if (request.output != "-" && input != "-" && environment.sameFile &&
        environment.sameFile(input, request.output)) {
        result.err = std::string(kCommand) + ": " + request.output + ": the image would replace the " +
                     (request.jmap.empty() ? ".mic file" : "mapping file") + "\n";
        result.status = 2;
        return result;
    }

    RomImage image;
    image.fill = request.fill;
    image.laned = request.laneGiven;
    image.lane = static_cast<unsigned>(request.lane);
    image.width = static_cast<unsigned>(request.width);
    image.source = CommentName(input);
    image.name = IdentifierFor(input == "-" ? "" : input);
    if (!request.jmap.empty()) {
        image.fill = kNotMapped;
        image.width = request.widthGiven ? image.width : static_cast<unsigned>(kMappingWidth);
        if (!LoadMapping(input, environment, image, result.err)) {
            result.status = 2;
            return result;
        }
    } else {
        MicFile mic = environment.read(input, MicUse::ControlStore);
        if (!LoadStore(mic, request, image, result.err)) {
            result.status = 2;
            return result;
        }
    }
    request.format->write(image, result.image);
    result.write = true;
    result.target = request.output;
    return result;
}
