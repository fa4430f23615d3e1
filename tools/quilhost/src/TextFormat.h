// printf-style text for trace lines and problem reports. The result is cut at 511 characters, so
// texts of unbounded length (record descriptions, script text) are appended to it, never
// formatted into it.
#pragma once

#include <string>

namespace quilhost {

[[gnu::format(printf, 1, 2)]] std::string Format(const char* fmt, ...);

}  // namespace quilhost
