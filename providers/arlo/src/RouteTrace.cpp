#include "arlo/RouteTrace.h"

#include <ctime>
#include <vector>

#include "brxbt/TransportLog.h"
#include "platform/Clock.h"
#include "platform/Path.h"
#include "platform/Registry.h"

namespace arlo {
namespace {

constexpr char kApiKey[] = "Software\\The TREVO Group\\Common TREVO API";

const char* LevelName(int level) {
    switch (level) {
        case 0:
            return "Info";
        case 1:
            return "Warning";
        case 2:
            return "Error";
        case 3:
            return "Fatal";
        default:
            return level < 0 ? "UNKNOWN" : "Fatal";
    }
}

std::string Stamp() {
    const std::time_t t = static_cast<std::time_t>(platform::CurrentClock().WallMs() / 1000);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d/%Y %H:%M:%S", &tm);
    return buf;
}

__attribute__((format(printf, 1, 0))) std::string Format(const char* format, std::va_list args) {
    char line[4096];
    std::vsnprintf(line, sizeof line, format, args);
    return line;
}

}  // namespace

CRouteTrace::CRouteTrace() {
    Open("\\Trace");
}

CRouteTrace::CRouteTrace(const std::string& route) {
    Open("\\Routes\\" + route);
}

CRouteTrace::~CRouteTrace() {
    if (m_file) {
        std::fclose(m_file);
    } else {
        std::fflush(stderr);
    }
}

void CRouteTrace::Open(const std::string& subKey) {
    using namespace platform;
    const std::string path = std::string(kApiKey) + subKey;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, &disposition) != 0)
        return;
    if (disposition == REG_CREATED_NEW_KEY) {
        RegCloseKey(key);
        return;
    }
    DWORD active = 0;
    DWORD type = 0;
    DWORD size = sizeof active;
    if (RegQueryValueEx(key, "Tracing Active", nullptr, &type, reinterpret_cast<BYTE*>(&active),
                        &size) != 0)
        active = 0;
    // The file is opened only for a trace that writes.
    if (active != 0) {
        char name[513] = {};
        size = 512;
        if (RegQueryValueEx(key, "Trace File Name", nullptr, &type, reinterpret_cast<BYTE*>(name),
                            &size) == 0 &&
            name[0] != '\0') {
            const auto file = MapPath(name);
            if (!file.empty()) {
                m_file = std::fopen(file.c_str(), "r+b");
                if (!m_file) m_file = std::fopen(file.c_str(), "w+b");
                if (m_file) std::fseek(m_file, 0, SEEK_END);
            }
        }
    }
    m_tracingActive = active;
    RegCloseKey(key);
    m_opened = true;
}

void CRouteTrace::Write(int level, const std::string& where, const char* text) {
    std::lock_guard<std::mutex> lock(m_cs);
    std::FILE* out = m_file ? m_file : stderr;
    std::fprintf(out, "%s %s %s%s\n", Stamp().c_str(), LevelName(level), where.c_str(), text);
    std::fflush(out);
    if (m_file && std::ftell(m_file) >= kTraceWrapAt) std::fseek(m_file, 0, SEEK_SET);
}

void CRouteTrace::VTraceLine(int level, const char* format, std::va_list args) {
    if (!IsActive()) return;
    Write(level, "", Format(format, args).c_str());
}

void CRouteTrace::TraceLine(int level, const char* format, ...) {
    if (!IsActive()) return;
    std::va_list args;
    va_start(args, format);
    VTraceLine(level, format, args);
    va_end(args);
}

void CRouteTrace::TraceLineAt(int level, int line, const char* file, const char* format, ...) {
    if (!IsActive() || level < 0) return;
    std::va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    Write(level, std::string(file) + "(" + std::to_string(line) + ") ", text.c_str());
}

void CRouteTrace::TraceData(int level, const std::uint8_t* data, std::size_t length, int mode) {
    if (!IsActive() || (mode == 1 && length == 0)) return;
    std::string text;
    if (mode == 1) {
        for (std::size_t row = 0; row < length; row += 16) {
            std::string chars;
            for (std::size_t i = row; i < row + 16 && i < length; ++i) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", data[i]);
                text += hex;
                chars += (data[i] >= 0x20 && data[i] < 0x7F) ? static_cast<char>(data[i]) : '.';
            }
            text += "|" + chars + (row + 16 < length ? "\n" : "");
        }
    } else if (mode == 0) {
        text.assign(reinterpret_cast<const char*>(data), length);
    } else {
        text = " Octal Not Supported, Yet.";
    }
    Write(level, "", text.c_str());
}

CRouteTrace& LibraryTrace() {
    static CRouteTrace trace;
    return trace;
}

}  // namespace arlo

// The binary transport of this library writes the library's trace.
void brxbt::TransportTrace(int level, const char* format, ...) {
    arlo::CRouteTrace& trace = arlo::LibraryTrace();
    if (!trace.IsActive()) return;
    std::va_list args;
    va_start(args, format);
    trace.VTraceLine(level, format, args);
    va_end(args);
}
