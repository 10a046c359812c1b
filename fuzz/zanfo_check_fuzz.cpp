// zanfo-check's analysis under libFuzzer.
//
// Each input is checked as zanfo-check would take the file: a .mic file
// when its first line is one, a source (assembled in memory) otherwise.
// Its bytes, ten at a time (two of address, eight of microword), are also
// checked as a control store of their own, so that the flow meets every
// kind of word at every address, and not only those a valid line spells.
// The input's length chooses the options, so that every input of the
// corpus reaches each with a byte more or less: an odd length runs LOOP as
// RPCT, a multiple of 3 gives a JMAP mapping, a multiple of 5 another start
// address.  Every finding is sorted and formatted.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "check.h"
#include "mic_file.h"

namespace {

CheckOptions OptionsFor(size_t size) {
    CheckOptions options;
    options.loopToAddress = size & 1;
    if (size % 3 == 0) {
        options.mapped = true;
        options.mapping.fill(-1);
        options.mapping[0x00] = 0;
        options.mapping[0x01] = 0x10;
        options.mapping[0x20] = 32;
        options.mapping[0xFF] = 0xFFF;
    }
    if (size % 5 == 0)
        options.start = static_cast<unsigned>(size % kStoreSize);
    return options;
}

void Show(std::vector<Finding> findings) {
    SortFindings(findings);
    std::string text;
    for (const Finding &f : findings) {
        text += FormatFinding("f", f);
        if (!f.check.empty() && !FindCheck(f.check))
            __builtin_trap();  // a finding of a check that is not in the table
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const CheckOptions options = OptionsFor(size);
    Show(IsMicText("input", text) ? CheckMicText(text, options) : CheckSource(text, options));

    std::vector<StoreWord> words;
    for (size_t at = 0; at + 10 <= size; at += 10) {
        uint16_t address;
        uint64_t word;
        memcpy(&address, data + at, 2);
        memcpy(&word, data + at + 2, 8);
        words.push_back({static_cast<uint32_t>(address & 0x1FFF), word, static_cast<int>(at / 10 + 1)});
    }
    Show(CheckStore(words, options));
    return 0;
}
