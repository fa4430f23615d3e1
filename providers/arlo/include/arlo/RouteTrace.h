// The ARLO provider's trace: one for the library (registry subkey "\Trace", written by the
// binary transport) and one per socket provider for its route ("\Routes\" + route). It is
// switched on by the key's "Tracing Active" and written to its "Trace File Name" (standard
// error when none is named); a key that did not exist before is created and nothing is
// traced. Lines are "mm/dd/yyyy hh:mm:ss Level text"; a file that has grown past 10,485,760
// bytes is written again from its start. Safe to write from any thread.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace arlo {

inline constexpr long kTraceWrapAt = 0xA00001;

class CRouteTrace {
public:
    // The library's trace ("\Trace").
    CRouteTrace();
    // A route's trace.
    explicit CRouteTrace(const std::string& route);
    ~CRouteTrace();
    CRouteTrace(const CRouteTrace&) = delete;
    CRouteTrace& operator=(const CRouteTrace&) = delete;

    bool IsActive() const noexcept { return m_opened && m_tracingActive != 0; }

    void TraceLine(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void VTraceLine(int level, const char* format, std::va_list args)
        __attribute__((format(printf, 3, 0)));
    // With the source position between the level and the text (nothing for a negative level).
    void TraceLineAt(int level, int line, const char* file, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    // mode 1: a hex dump, 0: the bytes as text, other: " Octal Not Supported, Yet.".
    void TraceData(int level, const std::uint8_t* data, std::size_t length, int mode);

private:
    void Open(const std::string& subKey);
    void Write(int level, const std::string& where, const char* text);

    std::mutex m_cs;
    bool m_opened = false;
    std::FILE* m_file = nullptr;  // null: standard error
    std::uint32_t m_tracingActive = 0;
};

// The library's trace, made at first use.
CRouteTrace& LibraryTrace();

}  // namespace arlo
