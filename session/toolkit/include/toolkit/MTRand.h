// The Mersenne Twister MT19937 generator as published by its authors: 624 words of state,
// seeded from a single word or from an array of words, tempered 32-bit outputs.
#pragma once

#include <cstdint>

#include "toolkit/ToolkitApi.h"

namespace UTKTools {

class UTK_API MTRand {
public:
    static constexpr int N = 624;
    static constexpr int M = 397;

    // Seeds with the reference initialisation by array; the first block is generated at
    // once, so that all 624 words are left.
    void seed(const std::uint32_t* key, int length);
    // The next tempered output.
    std::uint32_t randInt();

private:
    void initialize(std::uint32_t seed);
    void reload();
    static std::uint32_t hiBit(std::uint32_t u) { return u & 0x80000000U; }
    static std::uint32_t loBit(std::uint32_t u) { return u & 0x00000001U; }
    static std::uint32_t loBits(std::uint32_t u) { return u & 0x7fffffffU; }
    static std::uint32_t mixBits(std::uint32_t u, std::uint32_t v) { return hiBit(u) | loBits(v); }
    static std::uint32_t twist(std::uint32_t m, std::uint32_t s0, std::uint32_t s1) {
        return m ^ (mixBits(s0, s1) >> 1) ^ (loBit(s1) != 0 ? 0x9908b0dfU : 0U);
    }

    std::uint32_t m_state[N] = {};
    int m_nLeft = 0;
    int m_nNext = 0;
};

}  // namespace UTKTools
