// zanfo-dump's reader and decoder under libFuzzer.
//
// Each input is read as a .mic file, for a listing and for a control store,
// and every word it yields is decoded every way zanfo-dump shows it: the
// dump line, the fields, the spellings and what zanfo cannot write.  A
// short file goes on through --source, which assembles its program in
// memory.  The input's bytes, eight at a time, are decoded as words too, so
// that the decoder meets every pattern of bits and not only those a valid
// line spells.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "disassemble.h"
#include "mic_file.h"
#include "notation.h"

namespace {

// Enough that a short file reaches --source, and every pattern of bits the
// decoder, few enough that a run stays fast (a decode under the sanitizers
// takes some 50 microseconds, an assembly more).
constexpr size_t kSourceWords = 8;
constexpr size_t kRawWords = 32;

void Decode(uint32_t address, uint64_t word, const LabelNamer &names) {
    std::string text = DumpLine(address, word, names) + FieldLines(word);
    for (const ItemList &items : Spellings(word, names))
        text += ItemsText(items);
    for (const std::string &note : Inexpressible(word))
        text += note;
    if (text.empty())
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    MicFile store = ParseMicText("fuzz.mic", text, MicUse::ControlStore);
    for (const MicProblem &p : store.problems)
        FormatProblem(store, p);
    MicFile mic = ParseMicText("fuzz.mic", text, MicUse::Listing);
    const LabelNamer names = HeldTargets(mic);
    for (const MicWord &w : mic.words)
        Decode(w.address, w.word, names);
    if (!mic.Refused() && mic.words.size() <= kSourceWords)
        Disassemble(mic);
    for (size_t i = 0; i + 8 <= size && i < 8 * kRawWords; i += 8) {
        uint64_t word;
        memcpy(&word, data + i, sizeof word);
        Decode(static_cast<uint32_t>(i), word, nullptr);
    }
    return 0;
}
