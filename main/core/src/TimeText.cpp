#include "TimeText.h"

#include <ctime>
#include <mutex>

namespace core {

std::string FormatTime(std::int64_t seconds) {
    static std::mutex s_cs;  // localtime's result is shared
    const std::time_t t = static_cast<std::time_t>(seconds);
    char text[16] = "";
    std::lock_guard lock(s_cs);
    if (const std::tm* tm = std::localtime(&t)) std::strftime(text, sizeof text, "%H:%M:%S", tm);
    return text;
}

}  // namespace core
