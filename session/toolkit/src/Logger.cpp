#include "toolkit/Logger.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/Time.h"
#include "toolkit/Format.h"
#include "toolkit/QorTran.h"

namespace UTKLogger {
namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "%3.3s %2.2u %4.4u %2.2u:%2.2u:%2.2u:%3.3u " of the current local time.
void TimeStamp(char (&out)[32]) {
    const platform::SystemTime now = platform::GetLocalTime();
    const char* month = now.wMonth >= 1 && now.wMonth <= 12 ? kMonths[now.wMonth - 1] : "???";
    std::snprintf(out, sizeof out, "%3.3s %2.2u %4.4u %2.2u:%2.2u:%2.2u:%3.3u ", month,
                  now.wDay % 100U, now.wYear % 10000U, now.wHour % 100U, now.wMinute % 100U,
                  now.wSecond % 100U, now.wMilliseconds % 1000U);
}

void AppendFormat(std::string& out, const char* format, ...) UTK_PRINTF(2, 3);
void AppendFormat(std::string& out, const char* format, ...) {
    char piece[64];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    if (n > 0) {
        out.append(piece, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof piece - 1));
    }
}

}  // namespace

char CPriority::Letter(EPRIORITY priority) {
    switch (static_cast<std::int32_t>(priority)) {
        case 0:
            return 'O';
        case FATAL:
            return 'F';
        case ALERT:
            return 'A';
        case CRIT:
            return 'C';
        case ERROR:
            return 'E';
        case WARN:
            return 'W';
        case NOTICE:
            return 'N';
        case INFO:
            return 'I';
        case DEBUG:
            return 'D';
        default:
            return 'U';
    }
}

CLogMedia::~CLogMedia() = default;

CLogger::CLogger(CPriority::EPRIORITY threshold) : m_threshold(threshold) {}

CLogger::~CLogger() {
    RemoveAllLogMedia();
}

const char* CLogger::GetVersion() {
    return "1.3.0.12";
}

void CLogger::AddLogMedia(CLogMedia& media) {
    UTKTools::CGuard guard(m_mediaMutex);
    m_media.push_back(&media);
}

void CLogger::RemoveLogMedia(CLogMedia& media) {
    UTKTools::CGuard guard(m_mediaMutex);
    m_media.erase(std::remove(m_media.begin(), m_media.end(), &media), m_media.end());
}

void CLogger::RemoveAllLogMedia() {
    UTKTools::CGuard guard(m_mediaMutex);
    m_media.clear();
}

void CLogger::GetLogMediaList(std::vector<CLogMedia*>& list) {
    UTKTools::CGuard guard(m_mediaMutex);
    list = m_media;
}

bool CLogger::Wanted(CPriority::EPRIORITY priority) {
    if (priority > m_threshold.Get()) {
        return false;
    }
    UTKTools::CGuard guard(m_mediaMutex);
    return !m_media.empty();
}

void CLogger::Deliver(CPriority::EPRIORITY priority, const char* text) {
    UTKTools::CGuard guard(m_mediaMutex);
    for (CLogMedia* media : m_media) {
        media->Write(priority, text);
    }
}

void CLogger::Log(CPriority::EPRIORITY priority, const char* context, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogVA(priority, context, format, args);
    va_end(args);
}

void CLogger::LogVA(CPriority::EPRIORITY priority, const char* context, const char* format,
                    va_list args) {
    if (format == nullptr || !Wanted(priority)) {
        return;
    }
    char stamp[32];
    TimeStamp(stamp);
    std::uint32_t length = 0;
    char* message = UTKString::FormatAllocV(length, format, args);
    if (message == nullptr) {
        return;
    }
    std::string line;
    line.reserve(sizeof stamp + length + 64);
    line += stamp;
    line += CPriority::Letter(priority);
    line += ' ';
    line += context != nullptr ? context : " ";
    line += '>';
    line.append(message, length);
    line += '\n';
    UTKString::FreeFormatted(message);
    Deliver(priority, line.c_str());
}

void CLogger::Write(CPriority::EPRIORITY priority, const char* text) {
    if (text == nullptr) {
        return;
    }
    Deliver(priority, text);
}

void CLogger::LogHex(CPriority::EPRIORITY priority, const char* context, std::uint32_t length,
                     const std::uint8_t* bytes, EHEX_XLATE_TYPE type, std::uint32_t bytesPerLine) {
    if (!Wanted(priority)) {
        return;
    }
    if (context == nullptr) {
        context = " ";
    }
    if (bytesPerLine == 0) {
        bytesPerLine = 16;
    } else if (bytesPerLine > 255) {
        bytesPerLine = 255;
    }
    std::string prefix;
    {
        UTKTools::CGuard guard(m_timeStampMutex);
        TimeStamp(m_szTimeStamp);
        prefix = m_szTimeStamp;
    }
    prefix += CPriority::Letter(priority);
    prefix += ' ';
    prefix += context;

    std::string dump;
    if (length == 0 || bytes == nullptr) {
        dump = prefix + ">Empty Hex Message\n";
        Deliver(priority, dump.c_str());
        return;
    }
    char digits[16];
    const int width =
        std::snprintf(digits, sizeof digits, "%lX", static_cast<unsigned long>(length - 1));
    const bool characters = type == HEX_XLATE_EBCDIC || type == HEX_XLATE_ASCII;
    dump.reserve((prefix.size() + 32 + std::size_t{bytesPerLine} * 3) *
                 (length / bytesPerLine + 1));
    for (std::uint32_t first = 0; first < length; first += bytesPerLine) {
        const std::uint32_t count = std::min(bytesPerLine, length - first);
        dump += prefix;
        AppendFormat(dump, ">| %*.*X - %*.*lX | ", width, width, first, width, width,
                     static_cast<unsigned long>(first + count - 1));
        for (std::uint32_t i = 0; i < bytesPerLine; ++i) {
            if (i < count) {
                AppendFormat(dump, "%2.2X", bytes[first + i]);
            } else {
                dump += "  ";
            }
        }
        dump += " |";
        if (characters) {
            dump += ' ';
            for (std::uint32_t i = 0; i < bytesPerLine; ++i) {
                std::uint8_t c = ' ';
                if (i < count) {
                    if (type == HEX_XLATE_EBCDIC) {
                        QorTranNS::CQorTran::ConvertEBCDICToPrintableChar(bytes[first + i], c);
                    } else {
                        QorTranNS::CQorTran::ConvertASCIIToPrintableChar(bytes[first + i], c);
                    }
                }
                dump += static_cast<char>(c);
            }
            dump += " |";
        }
        dump += '\n';
    }
    Deliver(priority, dump.c_str());
}

}  // namespace UTKLogger
