// The program's one trace log. Every class writes its entries through TraceLog(), which
// formats an entry and hands it to Notify. Each operation gives the formatted text back
// (callers often keep it as their last-error text).
//
// Entry line: the label ("Class::Method():"), and when the text is not empty one space,
// " Time = <processor clock ticks> " and the text. Formatted texts are cut to 511
// characters, lines to 510.
//
// Levels: 0 information, 2 error, 3 a caught exception. Notify decides which levels are
// kept; an entry of a level it does not keep is not formatted at all, and its operation
// gives back an empty text.
//
// "Time =" is the process's processor time in clock ticks, read at most once per millisecond
// of (monotonic) wall time on each thread and reused in between, so it may be up to a
// millisecond stale.
//
// Threads: each entry is built in the calling thread's own buffers and written whole by
// Notify, so entries never interleave and each thread's entries keep their order; no lock is
// held while logging. The exception notice runs on the caller's thread after the entry is
// written.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class Notify;

class CTraceLog {
public:
    enum : int { LEVEL_INFO = 0, LEVEL_ERROR = 2, LEVEL_EXCEPTION = 3 };

    // Shows a caught exception's text to the user. It must not wait for the user: an
    // interactive program posts the text to its user-interface thread.
    using ExceptionNotice = std::function<void(const std::string& text)>;

    CTraceLog();
    ~CTraceLog();
    CTraceLog(const CTraceLog&) = delete;
    CTraceLog& operator=(const CTraceLog&) = delete;

    std::string TraceFormat(int level, const char* sourceFile, int sourceLine,
                            std::string_view label, const char* format, ...)
        __attribute__((format(printf, 6, 7)));
    std::string TraceString(int level, const char* sourceFile, int sourceLine,
                            std::string_view label, const std::string& text);
    // Level 2, "(%d) %s" with the calling thread's last error and its system text.
    std::string TraceLastError(const char* sourceFile, int sourceLine, std::string_view label);
    // Level 2, "(%d) %s" with the given code and its system text.
    std::string FormatErrorText(const char* sourceFile, int sourceLine, std::string_view label,
                                std::uint32_t errorCode);
    // Level 3, the text, a space and the exception's own message (at most 255 characters).
    // The entry is always written; the text reaches the user only through the installed
    // notice, so a worker thread or a process without a display never blocks here.
    std::string TraceException(const char* sourceFile, int sourceLine, const std::exception& e,
                               std::string_view label, const std::string& text);
    // The text alone (cut to 510 characters), without label or time.
    void TraceMessage(int level, const std::string& text);
    // The bytes alone, exactly `length` of them.
    void TraceData(int level, const std::uint8_t* data, int length);

    // The lowest level the log writes: entries below it need not be made at all.
    int LowestLevelKept() const noexcept;

    // Installs (or, with an empty function, removes) the exception notice.
    void SetExceptionNotice(ExceptionNotice notice);

private:
    // Writes the entry (label, time, text) and gives back the text.
    std::string WriteEntry(int level, const char* sourceFile, int sourceLine,
                           std::string_view label, std::string_view text);

    std::unique_ptr<Notify> m_notify;
    std::mutex m_noticeLock;
    ExceptionNotice m_notice;
};

// The global log: built on first use, before any object that logs, and never destroyed,
// so objects destroyed at program end can still log.
CTraceLog& TraceLog();

// Entries with the caller's source file and line.
#define TRACE_FORMAT(level, label, ...) \
    TraceLog().TraceFormat((level), __FILE__, __LINE__, (label), __VA_ARGS__)
#define TRACE_STRING(level, label, text) \
    TraceLog().TraceString((level), __FILE__, __LINE__, (label), (text))
#define TRACE_LAST_ERROR(label) TraceLog().TraceLastError(__FILE__, __LINE__, (label))
#define TRACE_ERROR_TEXT(label, code) \
    TraceLog().FormatErrorText(__FILE__, __LINE__, (label), (code))
#define TRACE_EXCEPTION(e, label, text) \
    TraceLog().TraceException(__FILE__, __LINE__, (e), (label), (text))
