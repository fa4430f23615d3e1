#include "quilsp/RanrotGenerator.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quilsp {

RanrotGenerator::RanrotGenerator(std::uint32_t seed, FaultSink sink) : m_sink(std::move(sink)) {
    Init(seed);
}

void RanrotGenerator::Init(std::uint32_t seed) {
    if (seed == 0) seed = 0xFFFFFFFF;
    m_seed = seed;
    std::uint32_t s = seed;
    for (auto& word : m_words) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        word = s;
    }
    m_outLow = 0;
    m_outHigh = 0x3FF80000;  // 1.5
    std::copy(m_words.begin(), m_words.end(), m_selfTest.begin());
    std::copy(m_words.begin(), m_words.end(), m_selfTest.begin() + kWords);
    m_p1 = 0;
    m_p2 = 10;
    for (int i = 0; i < 97; ++i) (void)Next();
}

double RanrotGenerator::Next() {
    std::uint32_t* a = &m_words[static_cast<std::size_t>(2 * m_p1)];
    const std::uint32_t* b = &m_words[static_cast<std::size_t>(2 * m_p2)];
    const std::uint32_t y = std::rotl(a[0], 19) + b[0];
    const std::uint32_t z = std::rotl(a[1], 27) + b[1];
    a[0] = z;
    a[1] = y;
    if (--m_p1 < 0) m_p1 = kPairs - 1;
    if (--m_p2 < 0) m_p2 = kPairs - 1;

    // Back at the seeded state: the cycle is used up.
    if (m_words[0] == m_selfTest[0] &&
        std::equal(m_words.begin(), m_words.end(), m_selfTest.begin() + 2 * (kPairs - m_p1))) {
        if (m_sink)
            m_sink((m_p2 - m_p1 + kPairs) % kPairs == 10
                       ? "Random number generator returned to initial state"
                       : "Random number generator not initialized");
        Init(m_seed + 1);
        return Output();
    }

    m_outLow = z;
    m_outHigh = (y & 0x000FFFFF) | 0x3FF00000;
    return Output();
}

double RanrotGenerator::Output() const noexcept {
    return std::bit_cast<double>((std::uint64_t{m_outHigh} << 32) | m_outLow);
}

void RanrotGenerator::SetRange(std::uint32_t low, std::uint32_t high) noexcept {
    m_rangeStart = low;
    m_rangeLength = high - low + 1;
}

std::uint32_t RanrotGenerator::Draw() {
    const double r = Output() - 1.0;
    (void)Next();
    const double scaled = static_cast<double>(m_rangeLength) * r;
    std::uint32_t i = scaled >= static_cast<double>(m_rangeLength)
                          ? m_rangeLength
                          : static_cast<std::uint32_t>(scaled);
    return m_rangeStart + i;
}

}  // namespace quilsp
