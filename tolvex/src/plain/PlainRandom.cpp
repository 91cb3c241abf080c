// Random numbers and hashing. Everything here is integer arithmetic of our own, so a seed gives
// the same numbers with any compiler, standard library or floating-point mode.
#include <utility>

#include "Tolvex.h"
#include "core/Errors.h"
#include "plain/Random.h"

namespace tolvex {

namespace {

constexpr uint64_t kDefaultSeed = 0x4B454C444F2D3032ULL;
constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ULL;

uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// One step of splitmix64 over a 64-bit state; also spreads a seed over the big generator.
uint64_t SplitMix(uint64_t& state) {
    state += kGolden;
    return Mix(state);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// xoshiro256**: fast, small, and good enough for a game's dice.
struct Xoshiro {
    uint64_t S[4];

    void Seed(uint64_t seed) {
        for (uint64_t& word : S) {
            word = SplitMix(seed);
        }
    }

    uint64_t Next() {
        const uint64_t result = Rotl(S[1] * 5, 7) * 9;
        const uint64_t t = S[1] << 17;
        S[2] ^= S[0];
        S[3] ^= S[1];
        S[1] ^= S[2];
        S[0] ^= S[3];
        S[2] ^= t;
        S[3] = Rotl(S[3], 45);
        return result;
    }
};

Xoshiro& Generator() {
    static Xoshiro generator = [] {
        Xoshiro g{};
        g.Seed(kDefaultSeed);
        return g;
    }();
    return generator;
}

// Rejects the few low draws that would make some remainders more likely than others.
template <typename Draw>
uint64_t UpTo(uint64_t bound, Draw&& draw) {
    if (bound == UINT64_MAX) {
        return draw();
    }
    const uint64_t n = bound + 1;
    const uint64_t threshold = (0 - n) % n;
    for (;;) {
        const uint64_t x = draw();
        if (x >= threshold) {
            return x % n;
        }
    }
}

// Reversed bounds are swapped rather than refused: Rnd(5, 1) is as good a question as Rnd(1, 5).
template <typename Draw>
int64_t InRange(int64_t min, int64_t max, Draw&& draw) {
    if (min > max) {
        std::swap(min, max);
    }
    const uint64_t span = static_cast<uint64_t>(max) - static_cast<uint64_t>(min);
    return static_cast<int64_t>(static_cast<uint64_t>(min) + UpTo(span, draw));
}

// 53 random bits over 2^53: exact in any rounding mode, never 1.
double Fraction(uint64_t bits) { return static_cast<double>(bits >> 11) * 0x1.0p-53; }

uint64_t* CheckedSeed(int64_t* seed, const char* entry) {
    if (seed == nullptr) {
        Raise(TV_ERR_ARG, "%s: the seed is null", entry);
    }
    return reinterpret_cast<uint64_t*>(seed);
}

}  // namespace

void SeedRandom(uint64_t seed) { Generator().Seed(seed); }

uint64_t NextRandom() { return Generator().Next(); }

uint64_t RandomUpTo(uint64_t bound) { return UpTo(bound, NextRandom); }

}  // namespace tolvex

using namespace tolvex;

int64_t Rnd(int64_t min, int64_t max) { return InRange(min, max, NextRandom); }

double RndF(void) { return Fraction(NextRandom()); }

// A caller-held generator: the seed cell is the whole state, so the caller can save, copy or
// replay it. The key is mixed so that neighbouring keys start far apart.
int64_t MakeRndSeed(int64_t key) { return static_cast<int64_t>(Mix(static_cast<uint64_t>(key))); }

int64_t GetRnd(int64_t* seed, int64_t min, int64_t max) {
    uint64_t* state = CheckedSeed(seed, "GetRnd");
    return InRange(min, max, [state] { return SplitMix(*state); });
}

double GetRndF(int64_t* seed) { return Fraction(SplitMix(*CheckedSeed(seed, "GetRndF"))); }

// FNV-1a: stable across runs and builds, so hashes may be stored.
int64_t MakeHash(const TvBytes* data) {
    if (data == nullptr) {
        Raise(TV_ERR_ARG, "MakeHash: the data is null");
    }
    uint64_t hash = 0xCBF29CE484222325ULL;
    for (int64_t i = 0; i < data->Len; ++i) {
        hash = (hash ^ data->Data[i]) * 0x100000001B3ULL;
    }
    return static_cast<int64_t>(hash);
}
