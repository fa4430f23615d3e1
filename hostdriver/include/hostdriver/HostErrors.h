// Host error texts as the terminal front end sees them: their kind and result code, the
// replacement texts it shows instead, and the two shapes of a queued error message.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quildrv {

struct HostErrorClass {
    int kind = 21;
    int code = 1052;
};

// By the client text's first three characters ("P01" ... "C06"); a "HOST UNREACHABLE" or
// "A CRITICAL FOS OUTAGE" from the third character on; anything else (and a text under three
// characters) kind 21. Only ranges the text covers are compared.
HostErrorClass ClassifyHostErrorText(std::string_view text);
// The host-code text translated first; a failed translation is kind 21.
HostErrorClass ClassifyHostError(std::span<const std::uint8_t> hostCode);

// The first two bytes, 0x5B, the bytes from the third to the last but one, 0x5B and the last
// byte; a message under three bytes unchanged.
std::vector<std::uint8_t> ErrorMessage(std::span<const std::uint8_t> message);
// The replacement text with the replaced message's first two bytes in front when it has more
// than one byte.
std::vector<std::uint8_t> ReplacementMessage(std::span<const std::uint8_t> text,
                                             std::span<const std::uint8_t> replaced);

// Replacement texts in host code.
inline constexpr std::uint8_t kHostSessionErrorText[] = {
    0xF7, 0xD8, 0x5B, 0xC8, 0xD6, 0xE2, 0xE3, 0x40, 0xE2, 0xC5, 0xE2, 0xE2,
    0xC9, 0xD6, 0xD5, 0x40, 0xC5, 0xD9, 0xD9, 0xD6, 0xD9, 0x5B, 0x4E};
inline constexpr std::uint8_t kCentralSiteOutageText[] = {
    0xF7, 0xD8, 0x5B, 0xC3, 0xC5, 0xD5, 0xE3, 0xD9, 0xC1, 0xD3, 0x40, 0xE2,
    0xC9, 0xE3, 0xC5, 0x40, 0xD6, 0xE4, 0xE3, 0xC1, 0xC7, 0xC5, 0x5B, 0x4E};
inline constexpr std::uint8_t kSystemUnavailableText[] = {
    0xF7, 0xD8, 0x5B, 0xE2, 0xE8, 0xE2, 0xE3, 0xC5, 0xD4, 0x40, 0xE4, 0xD5,
    0xC1, 0xE5, 0xC1, 0xC9, 0xD3, 0xC1, 0xC2, 0xD3, 0xC5, 0x5B, 0x4E};
inline constexpr std::uint8_t kRa8sText[] = {0xF7, 0xD8, 0x5B, 0xD9, 0xC1, 0xF8, 0xE2, 0x5B, 0x4E};
inline constexpr std::uint8_t kSignInText[] = {0xF7, 0xD8, 0xE2, 0xC9, 0xC7, 0xD5,
                                               0x40, 0xC9, 0xD5, 0x40, 0xC1, 0x4E};

}  // namespace quildrv
