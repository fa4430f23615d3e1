#include "platform/WholeLines.h"

#include <cstring>

namespace platform {

void WholeLines::Feed(std::string_view bytes, std::string& out) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at < end) {
        const auto left = static_cast<std::size_t>(end - at);
        const auto* zero = static_cast<const char*>(std::memchr(at, '\0', left));
        const char* stop = zero ? zero : end;
        // The whole lines before the first zero byte (or the end).
        const auto* brk =
            static_cast<const char*>(memrchr(at, '\n', static_cast<std::size_t>(stop - at)));
        if (brk) {
            out.append(m_held);
            m_held.clear();
            out.append(at, static_cast<std::size_t>(brk + 1 - at));
            at = brk + 1;
        }
        if (zero) {
            // The line that the zeros end was never written whole.
            m_held.clear();
            at = zero + 1;
            while (at < end && *at == '\0') ++at;
        } else {
            m_held.append(at, static_cast<std::size_t>(end - at));
            at = end;
        }
    }
}

std::string WholeLines::Of(std::string_view bytes) {
    WholeLines lines;
    std::string out;
    out.reserve(bytes.size());
    lines.Feed(bytes, out);
    return out;
}

}  // namespace platform
