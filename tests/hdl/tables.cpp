// zanfo: machine/parts.h's and microword/microword.h's tables, one line per
// entry, in the form tables_tb.sv prints the Verilog parts' tables; the
// test hdl.tables compares the two.
#include <cstdio>

#include "machine.h"
#include "microword.h"
#include "parts.h"

namespace {

const char *const kOperands[] = {"Zero", "A", "B", "Q", "D"};
const char *const kDestinationNames[] = {"None", "B", "Q"};
const char *const kShifts[] = {"None", "Right", "Left"};
const char *const kDSources[] = {"Zero", "Memory", "Constant", "Uflag", "Mflag"};
const char *const kTransfers[] = {"None", "MemoryToIr", "FToMemory", "FToMar", "FToFlags", "ConstToMemory",
                                  "ConstToFlags"};
const char *const kFlagLoads[] = {"None", "UStatus", "MStatus", "UBus", "MBus"};
const char *const kNexts[] = {"Zero", "Upc", "D", "R", "Top", "Map", "Vector"};
const char *const kStackOps[] = {"Hold", "Push", "Pop", "Clear"};
const char *const kCounterOps[] = {"Hold", "Load", "Decrement"};

const char *Defined(bool defined) { return defined ? "defined" : "undefined"; }

}  // namespace

int main() {
    // The layout: the bits of the unused fields, then every other field.
    for (unsigned bit = 0; bit < 64; ++bit)
        for (const FieldInfo &info : kFieldTable)
            if ((info.field == Field::Unused61 || info.field == Field::Unused55) && bit >= info.low &&
                bit < info.low + info.width)
                printf("unused %u\n", bit);
    for (const FieldInfo &info : kFieldTable)
        if (info.field != Field::Unused61 && info.field != Field::Unused55)
            printf("field %d %u %u\n", static_cast<int>(info.field), info.low, info.width);

    for (unsigned k = 0; k < 8; ++k)
        printf("source %u %s %s\n", k, kOperands[static_cast<int>(kSourcePairs[k].r)],
               kOperands[static_cast<int>(kSourcePairs[k].s)]);
    for (unsigned k = 0; k < 16; ++k)
        printf("dest %u %s %s %s\n", k, Defined(kDestinations[k].defined),
               kDestinationNames[static_cast<int>(kDestinations[k].to)],
               kShifts[static_cast<int>(kDestinations[k].shift)]);
    for (unsigned k = 0; k < 4; ++k)
        printf("shift %u %s\n", k, Defined(kShiftDefined[k]));
    for (unsigned k = 0; k < 16; ++k)
        printf("bus %u %s %s %s\n", k, Defined(kBusCodes[k].defined), kDSources[static_cast<int>(kBusCodes[k].d)],
               kTransfers[static_cast<int>(kBusCodes[k].transfer)]);
    for (unsigned k = 0; k < 8; ++k)  // read with YBusCtrl 10
        printf("flag %u %s %s %s\n", k, Defined(kFlagCodes[k].defined),
               kDSources[static_cast<int>(kFlagCodes[k].read)], kFlagLoads[static_cast<int>(kFlagCodes[k].load)]);
    printf("sequencer %u %s\n", kCjv, Defined(UnmodelledFields(PutField(0, Field::Sequencer, kCjv)).empty()));
    printf("loop_to_address %u %u\n", kRfct, Decode(PutField(0, Field::Sequencer, kRfct), true).sequencer);

    for (unsigned code = 0; code < 32; ++code)
        for (unsigned flags = 0; flags < 16; ++flags)
            printf("condition %u %u %d\n", code, flags, ConditionHolds(code, static_cast<uint8_t>(flags)));
    printf("condition enable %d\n", Decode(PutField(0, Field::CondEnable, 1)).passes == 0xFFFF);

    for (unsigned k = 0; k < 16; ++k)
        for (unsigned m = 0; m < 4; ++m) {
            const Path &p = kSequencer[k].paths[m];
            printf("path %u %u %s %s %s\n", k, m, kNexts[static_cast<int>(p.next)],
                   kStackOps[static_cast<int>(p.stack)], kCounterOps[static_cast<int>(p.counter)]);
        }
    return 0;
}
