// printf-style text for trace lines and problem reports.
#pragma once

#include <string>

namespace quilhost {

[[gnu::format(printf, 1, 2)]] std::string Format(const char* fmt, ...);

}  // namespace quilhost
