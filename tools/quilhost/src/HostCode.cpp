#include "quilhost/HostCode.h"

#include <array>
#include <cstdio>

namespace quilhost {

namespace {

struct Pair {
    char c;
    std::uint8_t host;
};

constexpr Pair kPunctuation[] = {{' ', 0x40}, {'.', 0x4B}, {'$', 0x5B}, {'-', 0x60},
                                 {'/', 0x61}, {',', 0x6B}, {':', 0x7A}, {'@', 0x7C}};

std::optional<std::uint8_t> HostOf(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'I') return static_cast<std::uint8_t>(0xC1 + (c - 'A'));
    if (c >= 'J' && c <= 'R') return static_cast<std::uint8_t>(0xD1 + (c - 'J'));
    if (c >= 'S' && c <= 'Z') return static_cast<std::uint8_t>(0xE2 + (c - 'S'));
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(0xF0 + (c - '0'));
    for (const auto& p : kPunctuation)
        if (p.c == c) return p.host;
    return std::nullopt;
}

char CharOf(std::uint8_t b) {
    if (b >= 0xC1 && b <= 0xC9) return static_cast<char>('A' + (b - 0xC1));
    if (b >= 0xD1 && b <= 0xD9) return static_cast<char>('J' + (b - 0xD1));
    if (b >= 0xE2 && b <= 0xE9) return static_cast<char>('S' + (b - 0xE2));
    if (b >= 0xF0 && b <= 0xF9) return static_cast<char>('0' + (b - 0xF0));
    for (const auto& p : kPunctuation)
        if (p.host == b) return p.c;
    return 0;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ToHostCode(std::string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size());
    for (char c : text) {
        const auto host = HostOf(c);
        if (!host) return std::nullopt;
        out.push_back(*host);
    }
    return out;
}

std::string ShowHostCode(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        if (const char c = CharOf(b)) {
            out.push_back(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", b);
            out += hex;
        }
    }
    return out;
}

}  // namespace quilhost
