// The configuration pages' message boxes: a string-table text with the stop icon, through
// the program's message sink, captioned with the product's name.
#pragma once

#include <cstdint>
#include <string>

namespace wizard {

inline constexpr std::uint32_t MB_OK = 0x0;
inline constexpr std::uint32_t MB_OKCANCEL = 0x1;
inline constexpr std::uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr std::uint32_t MB_ICONSTOP = 0x10;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x20;
inline constexpr std::uint32_t MB_DEFBUTTON2 = 0x100;
// The answer Yes.
inline constexpr int IDYES = 6;

// Shows the text of `textId` with the stop icon and the buttons of `style`; the answer.
int StopBox(std::uint32_t textId, std::uint32_t style = MB_OK);

// The text of `textId` with every "%1" replaced by `insert`.
std::string FormatString1(std::uint32_t textId, const std::string& insert);
// Shows that text with the icon and buttons of `style` (the stop icon when it names none);
// the answer.
int FormatBox(std::uint32_t textId, const std::string& insert, std::uint32_t style = MB_OK);

}  // namespace wizard
