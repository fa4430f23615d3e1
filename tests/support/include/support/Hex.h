// Hex helpers for tests: "C3 C1 F2" <-> bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace support {

// Parses hex digits in pairs; spaces, commas and line breaks between pairs are ignored.
// Anything else, or an odd digit count, fails the calling test.
std::vector<std::uint8_t> FromHex(std::string_view text);
// "C3 C1 F2" style, upper case, one space between bytes.
std::string ToHex(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> Bytes(std::string_view text);
// n zero bytes in that style, each after a space: " 00 00 00" for 3.
inline std::string HexZeros(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " 00";
    return s;
}

}  // namespace support
