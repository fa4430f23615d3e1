// The front end's one-byte character code: upper-case letters, digits and the blank as in
// EBCDIC, 0x5D a shift byte that gives the next byte its second meaning, "5D 40 x" a run of
// blanks, and the end-of-message codes 0x4E, 0x5F, 0x6D, 0x7E.
#pragma once

#include <cstdint>
#include <span>

class CMessage;

namespace arlo {

// Appends text in the front-end code, and 0x4E unless the text held an end-of-message code.
void EncodeFrontEndText(CMessage& message, std::span<const std::uint8_t> text);
// Appends the bytes from `start` to the end less `endOffset` in ASCII; stops at 0x4E.
void DecodeFrontEndText(std::span<const std::uint8_t> packet, CMessage& out, std::size_t start,
                        std::size_t endOffset);
// Appends the same bytes unchanged, zero bytes left out but at positions 0 and 1, up to and
// with the end-of-message code 0x4E.
void CopyFrontEndText(std::span<const std::uint8_t> packet, CMessage& out, std::size_t start,
                      std::size_t endOffset);

}  // namespace arlo
