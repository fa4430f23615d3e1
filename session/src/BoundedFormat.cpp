#include "BoundedFormat.h"

#include <cstdio>
#include <cstdlib>

namespace SessionNS::detail {

bool FormatBoundedV(UTKString::CString& out, const char* format, va_list args) {
    unsigned size = 1024;
    for (;;) {
        char* buffer = static_cast<char*>(std::calloc(size, 1));
        if (buffer == nullptr) {
            return false;
        }
        va_list copy;
        va_copy(copy, args);
        const int result = std::vsnprintf(buffer, size, format, copy);
        va_end(copy);
        const bool fits = result >= 0 && static_cast<unsigned>(result) < size;
        if (fits || size >= kMaxFormattedSize) {
            buffer[size - 1] = '\0';
            out = buffer;
            std::free(buffer);
            return true;
        }
        std::free(buffer);
        const unsigned wanted = result < 0 ? size * 2 : static_cast<unsigned>(result) + 1;
        size = wanted < kMaxFormattedSize ? wanted : kMaxFormattedSize;
    }
}

}  // namespace SessionNS::detail
