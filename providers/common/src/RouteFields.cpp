#include "brxdlg/RouteFields.h"

#include <cctype>
#include <cstddef>

#include "brxapicfg/BRXConfig.h"

namespace brxdlg {
namespace {

bool Hex(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (i >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

}  // namespace

std::string StoredText(const std::string& root, const std::string& key, const char* name) {
    std::string value;
    BRXConfig cfg;
    (void)cfg.GetValue(root, key, name, &value);
    return value;
}

unsigned long StoredNumber(const std::string& root, const std::string& key, const char* name) {
    unsigned long value = 0;
    BRXConfig cfg;
    (void)cfg.GetValue(root, key, name, &value);
    return value;
}

int CheckAddressDigits(const std::string& address, const AddressMessages& messages) {
    if (!Hex(address, 0, 3)) return messages.line;
    if (!Hex(address, 3, 1)) return messages.interchange;
    if (!Hex(address, 4, 2)) return messages.terminal;
    return 0;
}

}  // namespace brxdlg
