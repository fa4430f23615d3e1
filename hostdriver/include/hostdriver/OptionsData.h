// The options data a host session keeps (at most 60 bytes, a multiple of 4): the check of an
// option area, its repair, and the look-ups the session makes in it. Options are
// [type][length, both bytes counted][body]; every walk stays inside the given area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace quildrv {

inline constexpr std::size_t kMaxOptionsData = 60;

// What a check or repair has to say, as the session logs it (priority, text).
using OptionsLog = std::function<void(int priority, const char* text)>;

// True for an area that is empty, or whose options (each of a non-zero length that is a
// multiple of 4) end exactly at its end; the length itself must be a multiple of 4, at most 60.
[[nodiscard]] bool ValidateOptionsData(const std::uint8_t* data, std::size_t length,
                                       const OptionsLog& log);
// Cuts the area at its first bad option (length clamped to 60 first); returns the new length.
std::size_t CorrectOptionsData(const std::uint8_t* data, std::size_t length, const OptionsLog& log);
// Where the first option of a type starts, or -1.
int FindOptionOffset(const std::uint8_t* data, std::size_t length, std::uint8_t type);

}  // namespace quildrv
