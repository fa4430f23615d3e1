// Block check characters of the frames exchanged with ticket printers (STX ... ETX) and the
// async-mini line (... ETB). Each check reads at most the bytes it is given and stops after
// the end byte; with bSubstitutes the control characters stand as their printable
// substitutes and the real ones are ordinary data.
#pragma once

#include <cstdint>
#include <span>

namespace core {

// XOR of every byte up to and including ETX, leaving out STX and DLE.
std::uint8_t CalculateBCC(std::span<const std::uint8_t> data, bool bSubstitutes) noexcept;
// As CalculateBCC, but the check is rotated right by one bit before each byte joins it.
std::uint8_t CalculateBCCRotated(std::span<const std::uint8_t> data, bool bSubstitutes) noexcept;
// XOR of every byte up to and including ETB, leaving out DLE and SYN.
std::uint8_t CalculateBCCAsyncMini(std::span<const std::uint8_t> data, bool bSubstitutes) noexcept;

}  // namespace core
