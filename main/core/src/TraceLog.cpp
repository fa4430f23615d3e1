#include "core/TraceLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "notify/Notify.h"
#include "platform/Win32Error.h"

namespace {

constexpr std::size_t kFormatBuffer = 512;  // a formatted text keeps at most 511 characters
constexpr std::size_t kMaxLine = 510;
constexpr std::size_t kMaxExceptionText = 255;

}  // namespace

CTraceLog::CTraceLog() : m_notify(std::make_unique<Notify>()) {}

CTraceLog::~CTraceLog() = default;

std::string CTraceLog::WriteEntry(int level, const char* sourceFile, int sourceLine,
                                  const std::string& label, const std::string& text) {
    std::string line = label;
    if (!text.empty()) {
        char time[48];
        std::snprintf(time, sizeof time, "  Time = %ld ", static_cast<long>(std::clock()));
        line += time;
        line += text;
    }
    if (line.size() > kMaxLine) line.resize(kMaxLine);
    m_notify->printLog(level, sourceLine, sourceFile, "\n%s\n", line.c_str());
    return text;
}

std::string CTraceLog::TraceFormat(int level, const char* sourceFile, int sourceLine,
                                   const std::string& label, const char* format, ...) {
    platform::CriticalSection::Guard guard(m_lock);
    char buffer[kFormatBuffer] = {};
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
    }
    return WriteEntry(level, sourceFile, sourceLine, label, buffer);
}

std::string CTraceLog::TraceString(int level, const char* sourceFile, int sourceLine,
                                   const std::string& label, const std::string& text) {
    platform::CriticalSection::Guard guard(m_lock);
    return WriteEntry(level, sourceFile, sourceLine, label, text);
}

std::string CTraceLog::TraceLastError(const char* sourceFile, int sourceLine,
                                      const std::string& label) {
    const std::uint32_t code = platform::GetLastError();
    return FormatErrorText(sourceFile, sourceLine, label, code);
}

std::string CTraceLog::FormatErrorText(const char* sourceFile, int sourceLine,
                                       const std::string& label, std::uint32_t errorCode) {
    platform::CriticalSection::Guard guard(m_lock);
    return WriteEntry(LEVEL_ERROR, sourceFile, sourceLine, label,
                      platform::FormatErrorCode(errorCode));
}

std::string CTraceLog::TraceException(const char* sourceFile, int sourceLine,
                                      const std::exception& e, const std::string& label,
                                      const std::string& text) {
    std::string message;
    if (const char* what = e.what()) message = what;
    if (message.size() > kMaxExceptionText) message.resize(kMaxExceptionText);
    std::string result;
    {
        platform::CriticalSection::Guard guard(m_lock);
        result = WriteEntry(LEVEL_EXCEPTION, sourceFile, sourceLine, label, text + " " + message);
    }
    ExceptionNotice notice;
    {
        std::lock_guard<std::mutex> guard(m_noticeLock);
        notice = m_notice;
    }
    if (notice) {
        try {
            notice(result);
        } catch (...) {
            // The entry is written; a failing notice must not fail the caller.
        }
    }
    return result;
}

void CTraceLog::TraceMessage(int level, const std::string& text) {
    platform::CriticalSection::Guard guard(m_lock);
    const int length = static_cast<int>(std::min(text.size(), kMaxLine));
    m_notify->printLog(level, text.data(), length, CHAR_ASCII);
}

void CTraceLog::TraceData(int level, const std::uint8_t* data, int length) {
    platform::CriticalSection::Guard guard(m_lock);
    m_notify->printLog(level, reinterpret_cast<const char*>(data), data ? length : 0, CHAR_ASCII);
}

void CTraceLog::SetExceptionNotice(ExceptionNotice notice) {
    std::lock_guard<std::mutex> guard(m_noticeLock);
    m_notice = std::move(notice);
}

CTraceLog& TraceLog() {
    static CTraceLog* const log = new CTraceLog;
    return *log;
}
