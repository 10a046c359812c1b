// zanfo: naming the jump targets of a .mic file (targets.h).
#include "targets.h"

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <set>

std::string TargetLabel(uint32_t address) {
    char text[8];
    snprintf(text, sizeof text, "L%04" PRIX32, address & 0xFFFF);
    return text;
}

LabelNamer HeldTargets(const MicFile &mic) {
    auto held = std::make_shared<std::set<uint32_t>>();
    for (const MicWord &w : mic.words)
        held->insert(w.address);
    return [held](uint32_t address) { return held->count(address) ? TargetLabel(address) : std::string(); };
}
