#include "notify/Notify.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/MachineRoot.h"

namespace {

// Entries share one file per process; the lock keeps the (re)open and each write whole.
std::mutex g_fileLock;
std::FILE* g_file = nullptr;
std::filesystem::path g_filePath;

std::string Timestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto days = floor<std::chrono::days>(now);
    const year_month_day ymd{days};
    const hh_mm_ss<milliseconds> tod{duration_cast<milliseconds>(now - days)};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<int>(tod.hours().count()),
                  static_cast<int>(tod.minutes().count()), static_cast<int>(tod.seconds().count()),
                  static_cast<int>(tod.subseconds().count()));
    return text;
}

void AppendEscaped(std::string& out, const char* text, std::size_t length, bool trimBreaks) {
    std::size_t begin = 0;
    std::size_t end = length;
    if (trimBreaks) {
        while (begin < end && (text[begin] == '\n' || text[begin] == '\r')) ++begin;
        while (end > begin && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
    }
    for (std::size_t i = begin; i < end; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

// Writes one finished line; opens (or re-opens) the file for the current machine root.
void WriteLine(const std::string& line) {
    const std::filesystem::path path = Notify::LogFilePath();
    std::lock_guard<std::mutex> guard(g_fileLock);
    if (!g_file || path != g_filePath) {
        if (g_file) std::fclose(g_file);
        g_file = nullptr;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        g_file = std::fopen(path.c_str(), "ab");
        if (!g_file) return;
        g_filePath = path;
        // Whole lines go out in one write each: lines are shorter than the buffer.
        std::setvbuf(g_file, nullptr, _IOFBF, 1 << 16);
    }
    std::fwrite(line.data(), 1, line.size(), g_file);
    std::fflush(g_file);
}

}  // namespace

struct Notify::Impl {};

Notify::Notify() : m_impl(std::make_unique<Impl>()) {}

Notify::~Notify() = default;

std::filesystem::path Notify::LogFilePath() {
    return platform::MachineRoot() / "log" / "veka.log";
}

void Notify::printLog(int level, int line, const char* file, const char* format, ...) noexcept {
    try {
        std::string text;
        if (format) {
            va_list args;
            va_start(args, format);
            va_list again;
            va_copy(again, args);
            const int needed = std::vsnprintf(nullptr, 0, format, args);
            va_end(args);
            if (needed > 0) {
                text.resize(static_cast<std::size_t>(needed) + 1);
                std::vsnprintf(text.data(), text.size(), format, again);
                text.resize(static_cast<std::size_t>(needed));
            }
            va_end(again);
        }
        std::string out = Timestamp();
        char head[32];
        std::snprintf(head, sizeof head, " %d ", level);
        out += head;
        out += file ? file : "?";
        std::snprintf(head, sizeof head, "(%d) ", line);
        out += head;
        AppendEscaped(out, text.data(), text.size(), true);
        out.push_back('\n');
        WriteLine(out);
    } catch (...) {
        // A log entry is never worth failing the caller for.
    }
}

void Notify::printLog(int level, const char* text, int length, int /*charType*/) noexcept {
    try {
        std::string out = Timestamp();
        char head[16];
        std::snprintf(head, sizeof head, " %d ", level);
        out += head;
        if (text && length > 0) AppendEscaped(out, text, static_cast<std::size_t>(length), false);
        out.push_back('\n');
        WriteLine(out);
    } catch (...) {
    }
}
