// Terminal addresses read from the configuration and from the host: any text either gives
// six capital hexadecimal characters that read back to the same octets and parts, or is
// refused and changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "brxconn/CLniata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CLniata value(0x123456L);
    if (!value.SetString(text)) {
        if (value.GetLnIaTa() != 0x123456L) std::abort();
        return 0;
    }
    const std::string back = value.GetString();
    if (back.size() != 6) std::abort();
    for (char c : back) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) std::abort();
    }
    const CLniata again(back);
    if (!(again == value) || CLniata(value.GetLnIaTa()) != value) std::abort();
    CLniata parts;
    parts.SetLn(value.GetLn());
    parts.SetIa(value.GetIa());
    parts.SetTa(value.GetTa());
    if (parts != value) std::abort();
    return 0;
}
