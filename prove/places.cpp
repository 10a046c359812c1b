// The places a run starts from.
#include "places.h"

void Fixed::Add(const Assignment &a) {
    switch (a.place.kind) {
    case Place::Register: r[a.place.index] = true; break;
    case Place::Q: q = true; break;
    case Place::Mar: mar = true; break;
    case Place::Ir: ir = true; break;
    case Place::Uflag: uflag = true; break;
    case Place::Mflag: mflag = true; break;
    case Place::Memory: memory[static_cast<uint16_t>(a.place.index)] = a.value; break;
    }
}

bool Fixed::Has(const Place &p) const {
    switch (p.kind) {
    case Place::Register: return r[p.index];
    case Place::Q: return q;
    case Place::Mar: return mar;
    case Place::Ir: return ir;
    case Place::Uflag: return uflag;
    case Place::Mflag: return mflag;
    case Place::Memory: return memory.count(static_cast<uint16_t>(p.index)) != 0;
    }
    return false;
}

bool PlaceOfName(const std::string &name, Place *p) {
    std::string error;
    if (!ParsePlace(name, {}, p, &error))
        return false;
    p->name = name;
    return true;
}

bool SamePlace(const Place &a, const Place &b) {
    return a.kind == b.kind && (a.kind != Place::Register && a.kind != Place::Memory ? true : a.index == b.index);
}

bool PlaceBefore(const Place &a, const Place &b) {
    if (a.kind != b.kind)
        return a.kind < b.kind;
    if (a.kind == Place::Register || a.kind == Place::Memory)
        return a.index < b.index;
    return false;
}
