// The indentation of a print queue's output over any buffers: the first byte gives the
// columns, then each buffer is a length byte (its top bit: the buffer ends its message) and
// its bytes. Without columns the text passes unchanged; with them the output is the text and
// whole prefixes, at most one per line start, and a message's last carriage return has no
// prefix after it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/ColumnOffset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint32_t columns = data[0] % 64;
    devices::CColumnOffset offset(columns);
    const std::string& prefix = offset.Prefix();
    if (prefix.size() != (columns < 40 ? columns : 40)) std::abort();
    std::size_t at = 1;
    while (at < size) {
        const bool bEnds = (data[at] & 0x80) != 0;
        std::size_t n = data[at] & 0x7F;
        ++at;
        if (n > size - at) n = size - at;
        const std::string text(reinterpret_cast<const char*>(data + at), n);
        at += n;
        const std::string out = offset.Rewrite(text, bEnds);
        if (prefix.empty()) {
            if (out != text) std::abort();
            continue;
        }
        if (out.size() < text.size() || (out.size() - text.size()) % prefix.size() != 0)
            std::abort();
        if ((out.size() - text.size()) / prefix.size() > text.size() + 1) std::abort();
        if (bEnds && !text.empty() && text.back() == '\r' && out.back() != '\r') std::abort();
    }
    return 0;
}
