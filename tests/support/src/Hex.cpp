#include "support/Hex.h"

#include <gtest/gtest.h>

namespace support {

namespace {

int Nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<std::uint8_t> FromHex(std::string_view text) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '\n' || c == '\r' || c == '\t') {
            EXPECT_EQ(high, -1) << "hex byte split by a separator in: " << text;
            continue;
        }
        const int n = Nibble(c);
        if (n < 0) {
            ADD_FAILURE() << "not a hex digit '" << c << "' in: " << text;
            return out;
        }
        if (high < 0) {
            high = n;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + n));
            high = -1;
        }
    }
    EXPECT_EQ(high, -1) << "odd number of hex digits in: " << text;
    return out;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out.push_back(' ');
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return out;
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace support
