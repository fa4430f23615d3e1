// What the route dialogs do with a route's fields: read the values kept for them (an absent
// value reads as empty or 0) and check the digits of a terminal address.
#pragma once

#include <string>

namespace brxdlg {

// The text kept as `name` under `root`\`key`; empty when absent.
std::string StoredText(const std::string& root, const std::string& key, const char* name);
// The number kept as `name` under `root`\`key`; 0 when absent.
unsigned long StoredNumber(const std::string& root, const std::string& key, const char* name);

// The ids of the messages that refuse a terminal address, by the part at fault.
struct AddressMessages {
    int line;         // the first three characters
    int interchange;  // the fourth
    int terminal;     // the fifth and sixth
};

// 0 when the line, the interchange and the terminal of a six-character address are all
// hexadecimal digits; otherwise the message of the first part that is not (a character
// missing counts as no digit).
int CheckAddressDigits(const std::string& address, const AddressMessages& messages);

}  // namespace brxdlg
