// The block checks over any bytes: bytes after the end byte never change the check, and a
// check never reads past what it is given (the sanitizers watch the exact-size copy).
//
// Input: one byte of options (bit 0: substitutes), the rest is the frame.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/BlockCheck.h"

namespace {

using Check = std::uint8_t (*)(std::span<const std::uint8_t>, bool) noexcept;

void Verify(Check check, std::span<const std::uint8_t> frame, bool bSubstitutes, std::uint8_t end) {
    const std::uint8_t whole = check(frame, bSubstitutes);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (frame[i] == end) {
            if (check(frame.first(i + 1), bSubstitutes) != whole) std::abort();
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool bSubstitutes = data[0] & 0x01;
    const std::vector<std::uint8_t> frame(data + 1, data + size);
    Verify(core::CalculateBCC, frame, bSubstitutes, bSubstitutes ? 0xF3 : 0x03);
    Verify(core::CalculateBCCRotated, frame, bSubstitutes, bSubstitutes ? 0xF3 : 0x03);
    Verify(core::CalculateBCCAsyncMini, frame, bSubstitutes, bSubstitutes ? 0x7E : 0x17);
    return 0;
}
