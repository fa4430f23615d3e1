#include "core/TraceLog.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "notify/Notify.h"
#include "platform/Win32Error.h"

namespace {

constexpr std::size_t kFormatBuffer = 512;  // a formatted text keeps at most 511 characters
constexpr std::size_t kMaxLine = 510;
constexpr std::size_t kMaxExceptionText = 255;

// The process's processor time in clock ticks, as clock() gives it, read again only when
// the monotonic clock (read without a system call) has moved to another millisecond.
long ProcessorTicks() {
    thread_local std::int64_t t_ms = -1;
    thread_local long t_ticks = 0;
    using namespace std::chrono;
    const std::int64_t ms =
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    if (ms != t_ms) {
        t_ms = ms;
        t_ticks = static_cast<long>(std::clock());
    }
    return t_ticks;
}

}  // namespace

CTraceLog::CTraceLog() : m_notify(std::make_unique<Notify>()) {}

CTraceLog::~CTraceLog() = default;

std::string CTraceLog::WriteEntry(int level, const char* sourceFile, int sourceLine,
                                  std::string_view label, std::string_view text) {
    // The line in the thread's own buffer: label, "  Time = <ticks> " and the text.
    thread_local char t_line[kMaxLine + 1];
    std::size_t size = std::min(label.size(), kMaxLine);
    std::memcpy(t_line, label.data(), size);
    if (!text.empty()) {
        char time[48] = "  Time = ";
        char* end = std::to_chars(time + 9, time + sizeof time - 1, ProcessorTicks()).ptr;
        *end++ = ' ';
        const std::size_t timeSize =
            std::min(static_cast<std::size_t>(end - time), kMaxLine - size);
        std::memcpy(t_line + size, time, timeSize);
        size += timeSize;
        const std::size_t textSize = std::min(text.size(), kMaxLine - size);
        std::memcpy(t_line + size, text.data(), textSize);
        size += textSize;
    }
    t_line[size] = '\0';
    m_notify->printLog(level, sourceLine, sourceFile, "\n%s\n", t_line);
    return std::string(text);
}

std::string CTraceLog::TraceFormat(int level, const char* sourceFile, int sourceLine,
                                   std::string_view label, const char* format, ...) {
    if (!m_notify->Keeps(level)) return {};
    char buffer[kFormatBuffer];
    buffer[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
    }
    return WriteEntry(level, sourceFile, sourceLine, label, buffer);
}

std::string CTraceLog::TraceString(int level, const char* sourceFile, int sourceLine,
                                   std::string_view label, const std::string& text) {
    if (!m_notify->Keeps(level)) return {};
    return WriteEntry(level, sourceFile, sourceLine, label, text);
}

std::string CTraceLog::TraceLastError(const char* sourceFile, int sourceLine,
                                      std::string_view label) {
    const std::uint32_t code = platform::GetLastError();
    return FormatErrorText(sourceFile, sourceLine, label, code);
}

std::string CTraceLog::FormatErrorText(const char* sourceFile, int sourceLine,
                                       std::string_view label, std::uint32_t errorCode) {
    if (!m_notify->Keeps(LEVEL_ERROR)) return {};
    return WriteEntry(LEVEL_ERROR, sourceFile, sourceLine, label,
                      platform::FormatErrorCode(errorCode));
}

std::string CTraceLog::TraceException(const char* sourceFile, int sourceLine,
                                      const std::exception& e, std::string_view label,
                                      const std::string& text) {
    std::string message;
    if (const char* what = e.what()) message = what;
    if (message.size() > kMaxExceptionText) message.resize(kMaxExceptionText);
    // The user is told even when the level is not written.
    std::string result = text + " " + message;
    if (m_notify->Keeps(LEVEL_EXCEPTION))
        result = WriteEntry(LEVEL_EXCEPTION, sourceFile, sourceLine, label, result);
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
    const int length = static_cast<int>(std::min(text.size(), kMaxLine));
    m_notify->printLog(level, text.data(), length, CHAR_ASCII);
}

void CTraceLog::TraceData(int level, const std::uint8_t* data, int length) {
    m_notify->printLog(level, reinterpret_cast<const char*>(data), data ? length : 0, CHAR_ASCII);
}

int CTraceLog::LowestLevelKept() const noexcept {
    return m_notify->LowestLevel();
}

void CTraceLog::SetExceptionNotice(ExceptionNotice notice) {
    std::lock_guard<std::mutex> guard(m_noticeLock);
    m_notice = std::move(notice);
}

CTraceLog& TraceLog() {
    static CTraceLog* const log = new CTraceLog;
    return *log;
}
