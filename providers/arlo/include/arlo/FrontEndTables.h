// The tables of the front end's one-byte code, for the other providers that speak it:
// indexed by the byte, 0 where a byte has no code.
#pragma once

#include <array>
#include <cstdint>

namespace arlo {

using Table = std::array<std::uint8_t, 256>;

// ASCII to the code: the byte itself, or 0x5D when the character goes shifted.
const Table& EncodeFirst();
// ASCII to the code: the second byte of a shifted character.
const Table& EncodeSecond();
// The code to ASCII, unshifted and after the shift byte.
const Table& DecodePlain();
const Table& DecodeShifted();

}  // namespace arlo
