// A device's custom terminator field, as typed or stored: the decoded bytes are never more
// than the text, a text without "~" decodes to itself, and an escape written back in upper
// case decodes to the same byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "wizard/TerminatorData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string field(reinterpret_cast<const char*>(data), size);
    const std::string bytes = wizard::DecodeTerminatorField(field);
    if (bytes.size() > field.size()) std::abort();
    if (field.find('~') == std::string::npos && bytes != field) std::abort();
    std::string encoded;
    for (const char c : bytes) {
        char escape[4];
        std::snprintf(escape, sizeof escape, "~%02X", static_cast<unsigned char>(c));
        encoded += escape;
    }
    if (wizard::DecodeTerminatorField(encoded) != bytes) std::abort();
    const std::uint32_t lineFeeds = size > 0 ? data[0] : 0;
    if (wizard::MakeTerminatorData(3, lineFeeds, field).size() > 61) std::abort();
    return 0;
}
