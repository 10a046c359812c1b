// zanfo-rom: the control store as the ROM images that programmers,
// simulators and FPGA tools load.
//
// A store is `depth` microwords of 64 bits, address 0 first; the words the
// .mic file does not give hold the fill word.  An image is one lane of the
// store: W bits of every word, starting at bit K*W, so that eight images of
// 8-bit lanes are the eight EPROMs of a 64-bit control store.  The whole
// word is lane 0 of width 64.  Every writer reads the store through a
// RomImage, so every format cuts lanes the same way.
#ifndef ZANFO_ROM_H
#define ZANFO_ROM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RomImage {
    std::vector<uint64_t> words;  // the whole store, address 0 first
    uint64_t fill = 0;            // what the addresses the .mic does not give hold
    unsigned lane = 0;            // which lane: bits lane*width and up
    unsigned width = 64;          // lane width in bits, 1..64; lane*width < 64
    bool laned = false;           // cut with --lane (names and comments say which)
    std::string source;           // the .mic file's name, for comments and S0
    std::string name;             // identifier for the C array and the VHDL package

    size_t Depth() const { return words.size(); }
    // The lane of the word at `address`: bits above bit 63 read as 0.
    uint64_t At(size_t address) const;
    unsigned Bytes() const { return (width + 7) / 8; }   // per word in bin, ihex, srec
    unsigned Digits() const { return (width + 3) / 4; }  // hexadecimal digits per word
};

// One output format: its name on the command line and its writer.
struct RomFormat {
    const char *name;     // --format NAME
    const char *purpose;  // one line for --help
    bool binary;          // raw bytes: never written to a terminal
    void (*write)(const RomImage &image, std::string &out);
};

extern const RomFormat kRomFormats[];
extern const size_t kRomFormatCount;

// The format called `name`, or null.
const RomFormat *FindRomFormat(const std::string &name);

// The writers, one per format.  Each appends the whole image to `out`.
void WriteReadmemh(const RomImage &image, std::string &out);  // Verilog $readmemh
void WriteIntelHex(const RomImage &image, std::string &out);  // Intel HEX
void WriteSrec(const RomImage &image, std::string &out);      // Motorola S-records
void WriteMif(const RomImage &image, std::string &out);       // Intel/Altera MIF
void WriteCoe(const RomImage &image, std::string &out);       // Xilinx COE
void WriteBin(const RomImage &image, std::string &out);       // raw bytes
void WriteCHeader(const RomImage &image, std::string &out);   // C/C++ header
void WriteVhdl(const RomImage &image, std::string &out);      // VHDL package
void WriteLogisim(const RomImage &image, std::string &out);   // Logisim "v2.0 raw"

// The C and VHDL name of the store in `path`: the file's name without its
// extension, each run of other characters than letters and digits made one
// '_', none at either end, "rom_" before a leading digit, "store" for
// nothing at all.  Valid in C, C++ and VHDL, and never a keyword of them
// once the writers add their "_rom" suffix.
std::string IdentifierFor(const std::string &path);

#endif
