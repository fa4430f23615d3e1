// The gateway's character code: the front end's one-byte code (letters and digits as in
// EBCDIC, the shift byte 0x5D, compressed blanks, end-of-message codes 0x4E 0x5F 0x6D 0x7E)
// with the gateway's own differences, its printer variants, and the change of a printer
// message's two control characters (C1 C2) into the form the printer expects.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zel {

using Bytes = std::vector<std::uint8_t>;

// ASCII to the host code. A trailing 0x15 is left out; 0x4E ends the result unless the text
// ends with 0x14. With `printer` the printer table is used and no shift byte is written.
Bytes TranslateToEbcdic(std::span<const std::uint8_t> text, bool printer);
// The length TranslateToEbcdic gives, without building it.
std::size_t TranslatedLength(std::span<const std::uint8_t> text, bool printer);
// A received message (the data after the terminal address) to ASCII: C1 and C2 first, then
// the text up to the first end-of-message control, which stays; 0x15 closes a message that
// came without an end-of-message code.
Bytes TranslateToAscii(std::span<const std::uint8_t> data);

enum class C1C2Form { First, Second };
// Changes C1 and C2 of a received printer message (data bytes 3 and 4, after the terminal
// address); shorter data is left alone.
void TranslateC1C2(std::span<std::uint8_t> data, C1C2Form form);
// Removes every zero byte from the third byte on.
void RemoveZeros(Bytes& data);
// The simple printer substitutions of outgoing text and of a received printer message
// (from its first text byte, after the terminal address and C1 C2).
void SubstituteOutgoing(Bytes& text);
void SubstituteIncoming(Bytes& data);
// The host-table pass of a received printer message (the table changes no byte as yet).
void HostTablePass(Bytes& data);

}  // namespace zel
