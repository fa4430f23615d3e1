#include "core/BlockCheck.h"

namespace core {

namespace {

struct FrameBytes {
    std::uint8_t end;
    std::uint8_t skip1;
    std::uint8_t skip2;
};

constexpr FrameBytes kAtb2{0x03, 0x02, 0x10};
constexpr FrameBytes kAtb2Substitutes{0xF3, 0xF2, 0x5D};
constexpr FrameBytes kAsyncMini{0x17, 0x10, 0x16};
constexpr FrameBytes kAsyncMiniSubstitutes{0x7E, 0x5D, 0x5F};

template <typename Combine>
std::uint8_t Check(std::span<const std::uint8_t> data, const FrameBytes& frame,
                   Combine combine) noexcept {
    std::uint8_t bcc = 0;
    for (const std::uint8_t b : data) {
        if (b == frame.skip1 || b == frame.skip2) continue;
        bcc = combine(bcc, b);
        if (b == frame.end) break;
    }
    return bcc;
}

std::uint8_t Xor(std::uint8_t bcc, std::uint8_t b) noexcept {
    return static_cast<std::uint8_t>(bcc ^ b);
}

std::uint8_t RotateXor(std::uint8_t bcc, std::uint8_t b) noexcept {
    const auto rotated = static_cast<std::uint8_t>((bcc >> 1) | ((bcc & 0x01) << 7));
    return static_cast<std::uint8_t>(rotated ^ b);
}

}  // namespace

std::uint8_t CalculateBCC(std::span<const std::uint8_t> data, bool bSubstitutes) noexcept {
    return Check(data, bSubstitutes ? kAtb2Substitutes : kAtb2, Xor);
}

std::uint8_t CalculateBCCRotated(std::span<const std::uint8_t> data, bool bSubstitutes) noexcept {
    return Check(data, bSubstitutes ? kAtb2Substitutes : kAtb2, RotateXor);
}

std::uint8_t CalculateBCCAsyncMini(std::span<const std::uint8_t> data, bool bSubstitutes) noexcept {
    return Check(data, bSubstitutes ? kAsyncMiniSubstitutes : kAsyncMini, Xor);
}

}  // namespace core
