#include "quilsp/Log.h"

#include <cstdarg>
#include <cstdio>

#include "notify/Notify.h"

namespace quilsp {

void Log::Line(int level, const char* file, int line, const char* format, ...) const noexcept {
    if (!m_notify || (level == kTrace && !m_tracing)) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    m_notify->printLog(level, line, file, "%s", text);
}

void Log::Dump(int level, std::span<const std::uint8_t> bytes) const noexcept {
    if (!m_notify || (level == kTrace && !m_tracing)) return;
    m_notify->printLog(level, reinterpret_cast<const char*>(bytes.data()),
                       static_cast<int>(bytes.size()), CHAR_ASCII);
}

}  // namespace quilsp
