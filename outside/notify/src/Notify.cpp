#include "notify/Notify.h"

#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/MachineRoot.h"

namespace {

// Entries share one file per process; the lock keeps the (re)open and each write whole.
// The state is never destroyed, so objects destroyed at program end can still log.
struct LogFile {
    std::mutex lock;
    std::FILE* file = nullptr;
    std::filesystem::path path;
    // What the path was built from ($TREVO_HOME, else $HOME): it is built again only when
    // one of them changes, not for every entry.
    std::string home;
    std::string user;
    bool known = false;
};

LogFile& TheLogFile() {
    static LogFile* const log = new LogFile;
    return *log;
}

bool SameVariable(const std::string& known, const char* now) {
    return now ? known == now : known.empty();
}

// The log file for the current machine root (the log file's lock held).
const std::filesystem::path& CurrentPath(LogFile& log) {
    const char* home = std::getenv("TREVO_HOME");
    const char* user = std::getenv("HOME");
    if (!log.known || !SameVariable(log.home, home) || !SameVariable(log.user, user)) {
        const std::filesystem::path path = Notify::LogFilePath();
        log.home = home ? home : "";
        log.user = user ? user : "";
        log.known = true;
        if (path != log.path) {
            if (log.file) std::fclose(log.file);
            log.file = nullptr;
            log.path = path;
        }
    }
    return log.path;
}

void AppendNumber(std::string& out, long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// "2026-12-10T12:57:25.123Z": the part up to the seconds is formatted once per second.
void AppendTimestamp(std::string& out) {
    using namespace std::chrono;
    thread_local std::int64_t t_second = -1;
    thread_local char t_prefix[48] = {};
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const std::int64_t ms = now.time_since_epoch().count();
    const std::int64_t second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != t_second) {
        const sys_seconds whole{seconds{second}};
        const auto days = floor<std::chrono::days>(whole);
        const year_month_day ymd{days};
        const hh_mm_ss<seconds> tod{whole - days};
        std::snprintf(t_prefix, sizeof t_prefix, "%04d-%02u-%02uT%02d:%02d:%02d.",
                      static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                      static_cast<unsigned>(ymd.day()), static_cast<int>(tod.hours().count()),
                      static_cast<int>(tod.minutes().count()),
                      static_cast<int>(tod.seconds().count()));
        t_second = second;
    }
    out += t_prefix;
    const auto milli = static_cast<int>(ms - second * 1000);
    out.push_back(static_cast<char>('0' + milli / 100));
    out.push_back(static_cast<char>('0' + milli / 10 % 10));
    out.push_back(static_cast<char>('0' + milli % 10));
    out.push_back('Z');
}

// The head of every line: the time and the level.
void AppendHead(std::string& out, int level) {
    AppendTimestamp(out);
    out.push_back(' ');
    AppendNumber(out, level);
    out.push_back(' ');
}

void AppendEscaped(std::string& out, const char* text, std::size_t length, bool trimBreaks) {
    std::size_t begin = 0;
    std::size_t end = length;
    if (trimBreaks) {
        while (begin < end && (text[begin] == '\n' || text[begin] == '\r')) ++begin;
        while (end > begin && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
    }
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = begin; i < end; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            const char hex[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 0x0F]};
            out.append(hex, sizeof hex);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

// A named logger's name, in brackets.
void AppendName(std::string& out, const std::string& name) {
    if (name.empty()) return;
    out.push_back('[');
    AppendEscaped(out, name.data(), name.size(), false);
    out += "] ";
}

// The formatted text, line breaks at its ends dropped. Nearly every text fits the stack
// buffer; a longer one is formatted again in full.
void AppendFormatted(std::string& out, const char* format, va_list args) {
    if (!format) return;
    char buffer[1024];
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (needed > 0 && static_cast<std::size_t>(needed) < sizeof buffer) {
        AppendEscaped(out, buffer, static_cast<std::size_t>(needed), true);
    } else if (needed > 0) {
        std::string longText(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(longText.data(), longText.size(), format, again);
        AppendEscaped(out, longText.data(), static_cast<std::size_t>(needed), true);
    }
    va_end(again);
}

// A line with room for the head and a text of the usual length.
std::string NewLine() {
    std::string line;
    line.reserve(640);
    return line;
}

// Writes one finished line; opens (or re-opens) the file for the current machine root.
void WriteLine(const std::string& line) {
    LogFile& log = TheLogFile();
    std::lock_guard<std::mutex> guard(log.lock);
    const std::filesystem::path& path = CurrentPath(log);
    if (!log.file) {
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        log.file = std::fopen(path.c_str(), "ab");
        if (!log.file) return;
        // Whole lines go out in one write each: lines are shorter than the buffer.
        std::setvbuf(log.file, nullptr, _IOFBF, 1 << 16);
    }
    std::fwrite(line.data(), 1, line.size(), log.file);
    std::fflush(log.file);
}

}  // namespace

struct Notify::Impl {};

Notify::Notify() : m_impl(std::make_unique<Impl>()) {}

Notify::Notify(const std::string& name) : m_impl(std::make_unique<Impl>()), m_name(name) {}

Notify::~Notify() = default;

std::filesystem::path Notify::LogFilePath() {
    return platform::MachineRoot() / "log" / "veka.log";
}

void Notify::printLog(int level, int line, const char* file, const char* format, ...) noexcept {
    try {
        std::string out = NewLine();
        AppendHead(out, level);
        AppendName(out, m_name);
        out += file ? file : "?";
        out.push_back('(');
        AppendNumber(out, line);
        out += ") ";
        va_list args;
        va_start(args, format);
        AppendFormatted(out, format, args);
        va_end(args);
        out.push_back('\n');
        WriteLine(out);
    } catch (...) {
        // A log entry is never worth failing the caller for.
    }
}

void Notify::printLog(int level, const char* format, ...) noexcept {
    try {
        std::string out = NewLine();
        AppendHead(out, level);
        AppendName(out, m_name);
        va_list args;
        va_start(args, format);
        AppendFormatted(out, format, args);
        va_end(args);
        out.push_back('\n');
        WriteLine(out);
    } catch (...) {
    }
}

void Notify::printLog(int level, const char* text, int length, CHAR_TYPE /*charType*/) noexcept {
    try {
        std::string out = NewLine();
        AppendHead(out, level);
        AppendName(out, m_name);
        if (text && length > 0) AppendEscaped(out, text, static_cast<std::size_t>(length), false);
        out.push_back('\n');
        WriteLine(out);
    } catch (...) {
    }
}

void Notify::printLog(int level, const std::string& data, CHAR_TYPE charType) noexcept {
    printLog(level, data.data(), static_cast<int>(data.size()), charType);
}
