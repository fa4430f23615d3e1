// The bytes a device writes after each output ("Terminator Data"), as the device list page
// makes them from the extended settings: 1 carriage return and form feed, 2 carriage return,
// 3 carriage return and the final line feeds, 4 the custom field decoded; else none.
#pragma once

#include <cstdint>
#include <string>

namespace wizard {

std::string MakeTerminatorData(int terminatorType, std::uint32_t finalLineFeeds,
                               const std::string& terminatorField);

// The custom field: characters as they are, but "~" and two hexadecimal digits (only 0-9
// and A-F count; any other character, and the end of the text, count 0) give one byte; a
// "~" at the very end is dropped. A decoded zero byte is kept like any other.
std::string DecodeTerminatorField(const std::string& field);

}  // namespace wizard
