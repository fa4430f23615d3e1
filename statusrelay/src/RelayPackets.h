// The relay's two packets: a status as its seven fields joined by '~', and the icon record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "statusrelay/VekaUtil.h"

namespace statusrelay {

inline constexpr std::size_t kIconPacketSize = 271;

// Header ('U', total 11 + text + NUL, code 0), the text and its NUL. A field that fills its
// array without a NUL is taken up to the array's end.
std::vector<std::uint8_t> BuildStatusPacket(const DEVICESTATUS& status);
// Header ('I', total 271, code 0) and the 65 words, little-endian.
std::vector<std::uint8_t> BuildIconPacket(const ICONSTATUS& icon);

}  // namespace statusrelay
