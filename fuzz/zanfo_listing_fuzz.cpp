// zanfo-dump --listing under libFuzzer: each input is a source, assembled
// in memory by zanfo's own passes and listed beside the words it makes
// (ListSource), with the notes on zanfo's diagnostics: the tokens the
// parser would have taken, the label nearest in spelling to an unknown
// name, the warnings where zanfo is silent, the labels and equates.
#include <cstddef>
#include <cstdint>
#include <string>

#include "listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const Listing listing = ListSource(std::string(reinterpret_cast<const char *>(data), size));
    // Every listing ends its last line, whatever the source.
    if (!listing.text.empty() && listing.text.back() != '\n')
        __builtin_trap();
    return 0;
}
