// Text in the host's character code, for building host messages and showing payloads in the
// trace. Covers letters, digits, the blank and a few punctuation marks; lower-case letters are
// sent as capitals.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quilhost {

// Nothing when the text holds a character without a host code here.
std::optional<std::vector<std::uint8_t>> ToHostCode(std::string_view text);
// Readable form: known characters as themselves, anything else as <XX>.
std::string ShowHostCode(std::span<const std::uint8_t> bytes);

// End-of-message codes.
inline constexpr std::uint8_t kEomComplete = 0x4E;
inline constexpr std::uint8_t kEomCompleteMore = 0x5F;
inline constexpr std::uint8_t kEomPartial = 0x6D;
inline constexpr std::uint8_t kEomPartialDrop2 = 0x7E;

}  // namespace quilhost
