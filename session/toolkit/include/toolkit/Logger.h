// UTKLogger::CLogger turns log requests into finished text lines and hands them to every
// medium attached to it; it writes nothing itself. A line reads
//   "Mar 05 2008 14:07:09:042 E CSessionBase::Send>the message\n"
// (month, day, year, local time with milliseconds, the priority's letter, the context and
// the message). Requests above the threshold cost one comparison. Media are not owned.
//
// Lock order: the time-stamp mutex and the media mutex are never held together; formatting
// happens outside both.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <vector>

#include "toolkit/Mutex.h"
#include "toolkit/ToolkitApi.h"

namespace UTKLogger {

class UTK_API CPriority {
public:
    // A smaller number is more severe.
    enum EPRIORITY : std::int32_t {
        FATAL = 100,
        ALERT = 200,
        CRIT = 300,
        ERROR = 400,
        WARN = 500,
        NOTICE = 600,
        INFO = 700,
        DEBUG = 800,
    };

    explicit CPriority(EPRIORITY priority) : m_ePriority(priority) {}
    ~CPriority() {}

    EPRIORITY Get() const { return m_ePriority; }
    // The letter of a priority in the lines: O, F, A, C, E, W, N, I, D, or U for any other.
    static char Letter(EPRIORITY priority);

private:
    EPRIORITY m_ePriority;
};

// A sink for finished text, supplied by the user of the logger.
class UTK_API CLogMedia {
public:
    virtual ~CLogMedia();
    // One finished text: one line, or all the lines of one hex dump.
    virtual void Write(CPriority::EPRIORITY priority, const char* text) = 0;

protected:
    CLogMedia() = default;
    CLogMedia(const CLogMedia&) = default;
    CLogMedia& operator=(const CLogMedia&) = default;
};

class UTK_API CLogger {
public:
    enum EHEX_XLATE_TYPE : std::int32_t {
        HEX_XLATE_NONE = 0,
        HEX_XLATE_EBCDIC = 1,
        HEX_XLATE_ASCII = 2,
    };

    explicit CLogger(CPriority::EPRIORITY threshold);
    CLogger(const CLogger&) = delete;
    CLogger& operator=(const CLogger&) = delete;
    virtual ~CLogger();

    static const char* GetVersion();

    // The same medium may be added twice and then receives every text twice; removing it
    // removes every entry of it.
    void AddLogMedia(CLogMedia& media);
    void RemoveLogMedia(CLogMedia& media);
    void RemoveAllLogMedia();
    void GetLogMediaList(std::vector<CLogMedia*>& list);

    void Log(CPriority::EPRIORITY priority, const char* context, const char* format, ...)
        UTK_PRINTF(4, 5);
    void LogVA(CPriority::EPRIORITY priority, const char* context, const char* format, va_list args)
        UTK_PRINTF(4, 0);
    // Hands the text unchanged to every medium, whatever its priority.
    void Write(CPriority::EPRIORITY priority, const char* text);
    // A hex dump: offsets, two hex digits per byte and, for types 1 and 2, one printable
    // character per byte; bytesPerLine 0 means 16, more than 255 means 255.
    void LogHex(CPriority::EPRIORITY priority, const char* context, std::uint32_t length,
                const std::uint8_t* bytes, EHEX_XLATE_TYPE type, std::uint32_t bytesPerLine);

private:
    bool Wanted(CPriority::EPRIORITY priority);
    void Deliver(CPriority::EPRIORITY priority, const char* text);

    CPriority m_threshold;
    std::vector<CLogMedia*> m_media;  // under m_mediaMutex
    UTKTools::CRecursiveMutex m_mediaMutex;
    char m_szTimeStamp[32] = {};  // under m_timeStampMutex
    UTKTools::CRecursiveMutex m_timeStampMutex;
};

}  // namespace UTKLogger
