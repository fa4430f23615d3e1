// printf-style formatting that never cuts a text: it starts with 1,024 bytes and grows the
// buffer until the text fits (to the reported length + 1, or twice the size when the
// formatter reports no length).
#pragma once

#include <cstdarg>
#include <cstdint>

#include "toolkit/String.h"
#include "toolkit/ToolkitApi.h"

namespace UTKString {

// Formats into a zeroed heap block that the caller gives back with FreeFormatted. Null
// when no block could be obtained or the text cannot be formatted at all.
UTK_API char* FormatAllocV(std::uint32_t& length, const char* format, va_list args)
    UTK_PRINTF(2, 0);
UTK_API void FreeFormatted(char* text);

// Formats into out; false (out unchanged) when no buffer could be obtained.
UTK_API bool FormatV(CString& out, const char* format, va_list args) UTK_PRINTF(2, 0);
UTK_API bool Format(CString& out, const char* format, ...) UTK_PRINTF(2, 3);

}  // namespace UTKString
