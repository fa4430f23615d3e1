// RANROT-W random numbers: 17 pairs of 32-bit words rotated and added in turn. The output is a
// 64-bit floating-point number in [1, 2) whose two halves each step writes.
//
// A generator that comes back to the state it was seeded with has run out of its cycle; it
// reports that through its fault sink and seeds itself afresh instead of ending the process.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace quilsp {

class RanrotGenerator {
public:
    using FaultSink = std::function<void(const char* text)>;

    explicit RanrotGenerator(std::uint32_t seed, FaultSink sink = {});

    // Seeds the words (0 counts as 0xFFFFFFFF) and runs 97 steps.
    void Init(std::uint32_t seed);
    // One step; gives the new output.
    double Next();
    // Later draws fall in [low, high].
    void SetRange(std::uint32_t low, std::uint32_t high) noexcept;
    // An integer of the range, taken from the output of the previous step; then one step.
    std::uint32_t Draw();

    double Output() const noexcept;
    std::uint32_t OutputLow() const noexcept { return m_outLow; }
    std::uint32_t OutputHigh() const noexcept { return m_outHigh; }

private:
    static constexpr int kPairs = 17;
    static constexpr int kWords = 2 * kPairs;

    std::array<std::uint32_t, kWords> m_words{};
    std::array<std::uint32_t, 2 * kWords> m_selfTest{};
    int m_p1 = 0;
    int m_p2 = 10;
    std::uint32_t m_outLow = 0;
    std::uint32_t m_outHigh = 0x3FF80000;
    std::uint32_t m_rangeStart = 0;
    std::uint32_t m_rangeLength = 100;
    std::uint32_t m_seed = 0;
    FaultSink m_sink;
};

}  // namespace quilsp
