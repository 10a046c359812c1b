// zanfo-sim under libFuzzer: arbitrary bytes as a .mic file, loaded into
// the control store and run for at most 3000 cycles through the whole
// command (RunSim): the reader, the decoding, the cycle, the report, and
// for some inputs the trace, a JMAP mapping and --loop-to-address.  The
// length of the input picks those, so that every .mic file of the
// corpus reaches each of them with a byte more or less.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim.h"

namespace {

class Discard : public SimOutput {
  public:
    void Out(const std::string &) override {}
    void Err(const std::string &) override {}
};

const char kMapping[] = "0x00 0\n0x01 0x10\n0x20 32\n0xFF 0xFFF\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> args = {"--max-cycles=3000"};
    if (size & 1)
        args.push_back("--loop-to-address");
    if (size % 3 == 0)
        args.insert(args.end(), {"--map", "prog.map"});
    if (size % 4 == 0)
        args.push_back("--trace");
    args.push_back("prog.mic");
    Discard output;
    RunSim(args,
           [&text](const std::string &name, std::string *contents, std::string *) {
               *contents = name == "prog.map" ? kMapping : text;
               return true;
           },
           output);
    return 0;
}
