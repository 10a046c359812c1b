// zanfo-prove's property reader under libFuzzer: arbitrary bytes as a
// property file, read with an equate or two as a source would give, and
// every expression it accepts evaluated on a machine state whose values
// reach the edges (0xFFFF, 0x8000), so that C's operators meet their
// undefined corners: shifts by 64 or more, division by 0 and of the most
// negative number by -1.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "properties.h"
#include "trials.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const Equates equates = {{"count", "r5"}, {"acc", "rq"}, {"op", "ira1"}};
    std::vector<Property> properties;
    std::vector<std::string> problems;
    ParsePropertyFile("fuzz.props", text, equates, kDefaultWithin, &properties, &problems);
    static std::vector<uint16_t> memory(kMemoryWords, 0x8000);
    Registers start, end;
    for (unsigned i = 0; i < kRegisterCount; ++i) {
        start.r[i] = static_cast<uint16_t>(i * 0x1111);
        end.r[i] = static_cast<uint16_t>(0xFFFF - i);
    }
    start.uflag = 15;
    end.q = 0x8000;
    const std::vector<std::pair<uint16_t, uint16_t>> words = {{5, 0xFFFF}};
    NumberValues values(start, memory.data(), words, end, memory.data());
    for (const Property &p : properties)
        for (const std::vector<Expr> *list : {&p.assumes, &p.ensures})
            for (const Expr &e : *list) {
                Evaluate(e, values);
                for (size_t n = 0; n < e.nodes.size(); ++n)
                    e.TextOf(static_cast<int>(n));
            }
    return 0;
}
