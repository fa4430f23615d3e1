#include "toolkit/Format.h"

#include <cstdio>

#include "Heap.h"

namespace UTKString {
namespace {

constexpr std::size_t kFirstSize = 1024;
// Beyond this the formatter is taken to have failed for good.
constexpr std::size_t kMaxSize = std::size_t{1} << 30;

}  // namespace

char* FormatAllocV(std::uint32_t& length, const char* format, va_list args) {
    length = 0;
    if (format == nullptr) {
        return nullptr;
    }
    std::size_t size = kFirstSize;
    while (size <= kMaxSize) {
        char* block = static_cast<char*>(UTKTools::detail::HeapAllocZeroed(size));
        if (block == nullptr) {
            return nullptr;
        }
        va_list copy;
        va_copy(copy, args);
        const int result = std::vsnprintf(block, size, format, copy);
        va_end(copy);
        if (result >= 0 && static_cast<std::size_t>(result) < size) {
            length = static_cast<std::uint32_t>(result);
            return block;
        }
        UTKTools::detail::HeapFree(block);
        size = result < 0 ? size * 2 : static_cast<std::size_t>(result) + 1;
    }
    return nullptr;
}

void FreeFormatted(char* text) {
    UTKTools::detail::HeapFree(text);
}

bool FormatV(CString& out, const char* format, va_list args) {
    std::uint32_t length = 0;
    char* text = FormatAllocV(length, format, args);
    if (text == nullptr) {
        return false;
    }
    out = text;
    FreeFormatted(text);
    return true;
}

bool Format(CString& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const bool ok = FormatV(out, format, args);
    va_end(args);
    return ok;
}

}  // namespace UTKString
