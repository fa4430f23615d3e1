// The coupon printer's line: the frame a text goes to the printer in, and the cutter of the
// printer's replies out of what its line delivered. Free of I/O.
//
// To the printer: 02 73 1B 0B 20 20 0F, the text, 1B 12 03 and a check byte, the XOR of
// every byte from the second up to the first 03 after it. From the printer: the header
// 02 1B 0B 20 20 00 0F, the reply text, 20 03 and a check byte.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace devices {

inline constexpr std::uint8_t kCouponAck = 0x06;
// A read that begins with this byte is the printer's own and is ignored.
inline constexpr std::uint8_t kCouponIgnoredLead = 0x0F;

// The frame of a text; nothing for a text of fewer than 2 bytes. A text of more than 2 bytes
// loses a trailing CR FF first.
std::optional<std::vector<std::uint8_t>> MakeCouponFrame(std::span<const std::uint8_t> text);
std::uint8_t CouponFrameCheck(std::span<const std::uint8_t> frameFromSecondByte);

// Cuts the first whole reply out of gathered: its text, with everything up to and including
// its check byte taken away (what follows stays). Nothing, and gathered untouched, when it
// holds no whole reply. Gathered of 10 bytes or fewer is not searched.
std::optional<std::string> CutCouponReply(std::vector<std::uint8_t>& gathered);

}  // namespace devices
