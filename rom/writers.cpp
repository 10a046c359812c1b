// zanfo-rom: the ROM image writers, one per format, and their table.
#include "rom.h"

#include <cctype>

namespace {

const char kUpper[] = "0123456789ABCDEF";
const char kLower[] = "0123456789abcdef";

// `value` in exactly `digits` hexadecimal digits.
void AppendHex(std::string &out, uint64_t value, unsigned digits, const char *alphabet = kUpper) {
    for (unsigned i = digits; i-- > 0;)
        out += alphabet[(value >> (4 * i)) & 0xF];
}

// Enough hexadecimal digits for every number below `count` (at least one).
unsigned DigitsFor(uint64_t count) {
    unsigned digits = 1;
    for (uint64_t last = count ? count - 1 : 0; last > 0xF; last >>= 4)
        ++digits;
    return digits;
}

// The image as the bytes an EPROM holds: Bytes() per word, most
// significant first, word 0 at byte 0.
std::vector<uint8_t> ImageBytes(const RomImage &image) {
    std::vector<uint8_t> bytes;
    unsigned per = image.Bytes();
    bytes.reserve(image.Depth() * per);
    for (size_t a = 0; a < image.Depth(); ++a) {
        uint64_t value = image.At(a);
        for (unsigned i = per; i-- > 0;)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return bytes;
}

// Data bytes per record in Intel HEX and S-records: what every EPROM
// programmer accepts, and a divisor of 64 KiB, so no record crosses a
// segment of Intel HEX.
constexpr size_t kRecordBytes = 16;

// One Intel HEX record: ":" count, address, type, data, checksum (the two's
// complement of the sum of all the bytes before it).
void IntelRecord(std::string &out, unsigned type, uint32_t address, const uint8_t *data, size_t count) {
    uint8_t sum = static_cast<uint8_t>(count + (address >> 8) + address + type);
    out += ':';
    AppendHex(out, count, 2);
    AppendHex(out, address & 0xFFFF, 4);
    AppendHex(out, type, 2);
    for (size_t i = 0; i < count; ++i) {
        AppendHex(out, data[i], 2);
        sum = static_cast<uint8_t>(sum + data[i]);
    }
    AppendHex(out, static_cast<uint8_t>(0x100u - sum), 2);
    out += '\n';
}

// One S-record: "S" type, count (address, data and checksum bytes),
// address in `addressBytes`, data, checksum (the ones' complement of the
// sum of count, address and data bytes).
void SRecord(std::string &out, char type, uint32_t address, unsigned addressBytes, const uint8_t *data,
             size_t count) {
    size_t length = addressBytes + count + 1;
    uint8_t sum = static_cast<uint8_t>(length);
    out += 'S';
    out += type;
    AppendHex(out, length, 2);
    for (unsigned i = addressBytes; i-- > 0;) {
        uint8_t byte = static_cast<uint8_t>(address >> (8 * i));
        AppendHex(out, byte, 2);
        sum = static_cast<uint8_t>(sum + byte);
    }
    for (size_t i = 0; i < count; ++i) {
        AppendHex(out, data[i], 2);
        sum = static_cast<uint8_t>(sum + data[i]);
    }
    AppendHex(out, static_cast<uint8_t>(~sum), 2);
    out += '\n';
}

// What the store is, for the comment lines of the text formats.
std::string Describe(const RomImage &image) {
    std::string text = image.source + ": " + std::to_string(image.Depth()) + " words of " +
                       std::to_string(image.width) + " bits";
    if (image.laned)
        text += " (lane " + std::to_string(image.lane) + ", bits " +
                std::to_string(image.lane * image.width) + " and up)";
    text += ", fill 0x";
    AppendHex(text, image.fill, 16);
    return text;
}

// The C and VHDL name, with the lane when there is one: the eight lane
// files of one store can be used side by side.
std::string StoreName(const RomImage &image) {
    std::string name = image.name;
    if (image.laned)
        name += "_lane" + std::to_string(image.lane);
    return name + "_rom";
}

}  // namespace

uint64_t RomImage::At(size_t address) const {
    uint64_t word = words[address] >> (lane * width);  // lane*width < 64
    return width >= 64 ? word : word & ((uint64_t{1} << width) - 1);
}

// Verilog's $readmemh: one word a line, in hexadecimal, address 0 first.
// Every address of the depth is written, fill words too, so the memory it
// loads holds no X and needs no @address line.
void WriteReadmemh(const RomImage &image, std::string &out) {
    for (size_t a = 0; a < image.Depth(); ++a) {
        AppendHex(out, image.At(a), image.Digits());
        out += '\n';
    }
}

// Intel HEX: data records (00) of 16 bytes, an extended linear address
// record (04) whenever the upper 16 bits of the byte address change from
// the last ones (0 at the start), and the end-of-file record (01).
void WriteIntelHex(const RomImage &image, std::string &out) {
    std::vector<uint8_t> bytes = ImageBytes(image);
    uint32_t upper = 0;
    for (size_t at = 0; at < bytes.size(); at += kRecordBytes) {
        uint32_t address = static_cast<uint32_t>(at);
        if (address >> 16 != upper) {
            upper = address >> 16;
            uint8_t segment[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
            IntelRecord(out, 0x04, 0, segment, 2);
        }
        size_t count = bytes.size() - at < kRecordBytes ? bytes.size() - at : kRecordBytes;
        IntelRecord(out, 0x00, address, &bytes[at], count);
    }
    IntelRecord(out, 0x01, 0, nullptr, 0);
}

// Motorola S-records: a header (S0) with the .mic file's name, data records
// of 16 bytes with the smallest address that holds the last byte address
// (S1 with 16 bits, S2 with 24, S3 with 32), the record count (S5, or S6
// past 65535 records), and the termination record that goes with the data
// records (S9, S8, S7) with start address 0.
void WriteSrec(const RomImage &image, std::string &out) {
    std::vector<uint8_t> bytes = ImageBytes(image);
    uint64_t last = bytes.empty() ? 0 : bytes.size() - 1;
    unsigned addressBytes = last <= 0xFFFF ? 2 : last <= 0xFFFFFF ? 3 : 4;
    char dataType = static_cast<char>('1' + (addressBytes - 2));  // S1, S2, S3
    char endType = static_cast<char>('9' - (addressBytes - 2));   // S9, S8, S7

    std::string header = image.source.substr(0, 64);
    SRecord(out, '0', 0, 2, reinterpret_cast<const uint8_t *>(header.data()), header.size());
    size_t records = 0;
    for (size_t at = 0; at < bytes.size(); at += kRecordBytes, ++records) {
        size_t count = bytes.size() - at < kRecordBytes ? bytes.size() - at : kRecordBytes;
        SRecord(out, dataType, static_cast<uint32_t>(at), addressBytes, &bytes[at], count);
    }
    if (records <= 0xFFFF)
        SRecord(out, '5', static_cast<uint32_t>(records), 2, nullptr, 0);
    else if (records <= 0xFFFFFF)
        SRecord(out, '6', static_cast<uint32_t>(records), 3, nullptr, 0);
    SRecord(out, endType, 0, addressBytes, nullptr, 0);
}

// The Memory Initialization File of Intel (Altera) tools.  Every address on
// a line of its own, no [a..b] ranges: Quartus does not need them and other
// readers cannot take them.
void WriteMif(const RomImage &image, std::string &out) {
    out += "-- " + Describe(image) + "\n";
    out += "WIDTH=" + std::to_string(image.width) + ";\n";
    out += "DEPTH=" + std::to_string(image.Depth()) + ";\n\n";
    out += "ADDRESS_RADIX=HEX;\nDATA_RADIX=HEX;\n\nCONTENT BEGIN\n";
    unsigned addressDigits = DigitsFor(image.Depth());
    for (size_t a = 0; a < image.Depth(); ++a) {
        out += "    ";
        AppendHex(out, a, addressDigits);
        out += " : ";
        AppendHex(out, image.At(a), image.Digits());
        out += ";\n";
    }
    out += "END;\n";
}

// The coefficient file of Xilinx memory generators: the radix, then the
// vector, one word a line, separated by commas and ended by ';'.  The file
// has no width or depth of its own: the comment says them, and the memory
// core's settings must match.
void WriteCoe(const RomImage &image, std::string &out) {
    out += "; " + Describe(image) + "\n";
    out += "; memory depth " + std::to_string(image.Depth()) + ", width " + std::to_string(image.width) +
           "\n";
    out += "memory_initialization_radix=16;\nmemory_initialization_vector=\n";
    for (size_t a = 0; a < image.Depth(); ++a) {
        AppendHex(out, image.At(a), image.Digits());
        out += a + 1 < image.Depth() ? ",\n" : ";\n";
    }
}

void WriteBin(const RomImage &image, std::string &out) {
    std::vector<uint8_t> bytes = ImageBytes(image);
    out.append(bytes.begin(), bytes.end());
}

// A C header for C and C++ simulators: the store as an array of the
// narrowest exact-width unsigned type that holds a word, with its depth and
// width as macros.  The array is static, so every file that includes the
// header has its own copy and nothing clashes at link time.
void WriteCHeader(const RomImage &image, std::string &out) {
    std::string name = StoreName(image);
    std::string macro;
    for (char c : name)
        macro += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    unsigned bits = image.width <= 8 ? 8 : image.width <= 16 ? 16 : image.width <= 32 ? 32 : 64;
    std::string type = "uint" + std::to_string(bits) + "_t";

    out += "/* " + Describe(image) + ".\n   Written by zanfo-rom. */\n";
    out += "#ifndef " + macro + "_H\n#define " + macro + "_H\n\n#include <stdint.h>\n\n";
    out += "#define " + macro + "_DEPTH " + std::to_string(image.Depth()) + "\n";
    out += "#define " + macro + "_WIDTH " + std::to_string(image.width) + "\n\n";
    out += "static const " + type + " " + name + "[" + macro + "_DEPTH] = {\n";
    unsigned addressDigits = DigitsFor(image.Depth());
    for (size_t a = 0; a < image.Depth(); ++a) {
        out += bits == 64 ? "    UINT64_C(0x" : "    0x";
        AppendHex(out, image.At(a), image.Digits());
        out += bits == 64 ? ")" : "u";
        out += a + 1 < image.Depth() ? ", /* " : "  /* ";
        AppendHex(out, a, addressDigits);
        out += " */\n";
    }
    out += "};\n\n#endif\n";
}

// A VHDL-93 package: the store as a constant array of
// std_logic_vector(WIDTH-1 downto 0), each word by its index, in hexadecimal
// bit strings where the width is a multiple of 4 and in binary otherwise.
void WriteVhdl(const RomImage &image, std::string &out) {
    std::string name = StoreName(image);
    out += "-- " + Describe(image) + ".\n-- Written by zanfo-rom.\n";
    out += "library ieee;\nuse ieee.std_logic_1164.all;\n\n";
    out += "package " + name + " is\n";
    out += "    constant ROM_DEPTH : natural := " + std::to_string(image.Depth()) + ";\n";
    out += "    constant ROM_WIDTH : natural := " + std::to_string(image.width) + ";\n";
    out += "    subtype rom_word is std_logic_vector(ROM_WIDTH - 1 downto 0);\n";
    out += "    type rom_array is array (0 to ROM_DEPTH - 1) of rom_word;\n";
    out += "    constant ROM : rom_array := (\n";
    bool hex = image.width % 4 == 0;
    for (size_t a = 0; a < image.Depth(); ++a) {
        out += "        " + std::to_string(a) + (hex ? " => x\"" : " => b\"");
        uint64_t value = image.At(a);
        if (hex)
            AppendHex(out, value, image.Digits());
        else
            for (unsigned bit = image.width; bit-- > 0;)
                out += static_cast<char>('0' + ((value >> bit) & 1));
        out += a + 1 < image.Depth() ? "\",\n" : "\"\n";
    }
    out += "    );\nend package " + name + ";\n";
}

// Logisim's "v2.0 raw" memory image, as Logisim writes it: the header line,
// then the words in lower-case hexadecimal without leading zeros, eight to
// a line.  Every word is written out: no "N*value" runs, which not every
// reader of the format takes.
void WriteLogisim(const RomImage &image, std::string &out) {
    out += "v2.0 raw\n";
    for (size_t a = 0; a < image.Depth(); ++a) {
        uint64_t value = image.At(a);
        unsigned digits = 1;
        for (uint64_t rest = value >> 4; rest; rest >>= 4)
            ++digits;
        AppendHex(out, value, digits, kLower);
        out += (a % 8 == 7 || a + 1 == image.Depth()) ? '\n' : ' ';
    }
}

const RomFormat kRomFormats[] = {
    // name       purpose (--help)                               binary  writer
    {"readmemh", "Verilog $readmemh: a hexadecimal word a line",  false, WriteReadmemh},
    {"ihex",     "Intel HEX, most significant byte first",        false, WriteIntelHex},
    {"srec",     "Motorola S-records, the bytes of ihex",         false, WriteSrec},
    {"mif",      "memory initialization file of Intel Quartus",   false, WriteMif},
    {"coe",      "coefficient file of Xilinx memory generators",  false, WriteCoe},
    {"bin",      "raw bytes, most significant first",             true,  WriteBin},
    {"c",        "C/C++ header with the store as an array",       false, WriteCHeader},
    {"vhdl",     "VHDL package with the store as a constant",     false, WriteVhdl},
    {"logisim",  "Logisim \"v2.0 raw\" image for a ROM component", false, WriteLogisim},
};
const size_t kRomFormatCount = sizeof kRomFormats / sizeof kRomFormats[0];

const RomFormat *FindRomFormat(const std::string &name) {
    for (const RomFormat &format : kRomFormats)
        if (name == format.name)
            return &format;
    return nullptr;
}

std::string IdentifierFor(const std::string &path) {
    size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    std::string name;
    bool gap = false;
    for (unsigned char c : base) {
        if (isalnum(c) && c < 0x80) {
            if (gap && !name.empty())
                name += '_';
            name += static_cast<char>(c);
            gap = false;
        } else {
            gap = true;
        }
    }
    if (name.empty())
        return "store";
    if (isdigit(static_cast<unsigned char>(name[0])))
        name = "rom_" + name;
    return name;
}
