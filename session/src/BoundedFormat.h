// printf-style formatting for the session's texts: starts with 1,024 bytes and grows to the
// length the formatter asks for (twice the size when it reports none), at most to 1 MiB;
// a longer text is stored as far as it fits.
#pragma once

#include <cstdarg>

#include "toolkit/String.h"

namespace SessionNS::detail {

inline constexpr unsigned kMaxFormattedSize = 1u << 20;

// False when no buffer could be had (out unchanged).
bool FormatBoundedV(UTKString::CString& out, const char* format, va_list args)
    __attribute__((format(printf, 2, 0)));

}  // namespace SessionNS::detail
