// A lock identifier: a fresh 32-bit value made from the wall clock and a random draw.
#pragma once

#include <cstdint>
#include <string>

#include "quilsp/RanrotGenerator.h"

namespace quilsp {

class CLockID {
public:
    // Draws a new value: the wall clock in milliseconds, XOR a random number of at least
    // 0x10000000. The text is the value's bytes, least significant first, up to the first zero
    // byte (so at most 4 bytes).
    void Generate(std::string& text, RanrotGenerator::FaultSink sink = {});

    std::uint32_t Value() const noexcept { return m_value; }

private:
    std::uint32_t m_value = 0;
};

}  // namespace quilsp
