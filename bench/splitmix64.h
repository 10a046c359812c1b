// zanfo: splitmix64, the small random number generator of the program
// generators (bench/gen_program, the round-trip test's programs): the same
// numbers on every platform, so a seed always gives the same program.
#ifndef ZANFO_SPLITMIX64_H
#define ZANFO_SPLITMIX64_H

#include <cstddef>
#include <cstdint>

class Rng {
  public:
    explicit Rng(uint64_t state) : state_(state) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. n-1; n is small, so the bias of the modulo does not matter here.
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    template <size_t N> const char *Pick(const char *const (&list)[N]) { return list[Below(N)]; }

  private:
    uint64_t state_;
};

#endif
