// Times of the device core's log lines.
#pragma once

#include <cstdint>
#include <string>

namespace core {

// A time in whole seconds as "%H:%M:%S" of local time.
std::string FormatTime(std::int64_t seconds);

}  // namespace core
