#include "notify/Notify.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/AppendFile.h"
#include "platform/MachineRoot.h"
#include "platform/MappedLog.h"
#include "platform/WholeLines.h"

namespace {

// Entries share one log per process, appended to through a shared mapping (see
// platform/MappedLog.h), or with one write each on a descriptor opened for appending when
// the file cannot be mapped. No lock is taken to append; the lock guards only the choice of
// the file, and an entry takes it only when the machine root may have changed or, once per
// tick of the coarse clock, to see whether the file was removed.
struct LogFile {
    std::mutex lock;
    platform::MachineRootWatch root;  // the root the file was opened for (under the lock)
    std::atomic<platform::MappedLog*> mapped{nullptr};
    // Counts the entries being appended: a log replaced is destroyed only once none is.
    std::atomic<int> appending{0};
    std::unique_ptr<platform::MappedLog> current;               // under the lock
    std::vector<std::unique_ptr<platform::MappedLog>> retired;  // replaced, maybe in use
    platform::AppendFile file;  // when the current root's file cannot be mapped
    bool exiting = false;       // the process is ending: logs opened now are finished at once
    bool reopen = false;        // a child process opens the file again for itself
    bool finishRegistered = false;
    // Counts the changes of root seen under the lock: a thread that saw no change of its own
    // still follows one that another thread saw (the root may have moved and come back).
    std::atomic<std::uint64_t> rootChanges{0};
    // The coarse millisecond in which the file was last looked at (to see whether it was
    // removed, or to try again to open it).
    std::atomic<std::int64_t> checkedMs{-1};
};

LogFile& TheLogFile();

// A child made by fork shares its parent's open files, and with them the locks that keep
// the processes appending to one log in step: it leaves the parent's log as it is (never
// cutting it) and opens the file again for itself at its first entry.
void BeforeFork() {
    TheLogFile().lock.lock();
}
void AfterForkInParent() {
    TheLogFile().lock.unlock();
}
void AfterForkInChild() {
    LogFile& log = TheLogFile();
    if (log.current) log.retired.push_back(std::move(log.current));
    log.mapped.store(nullptr);
    log.appending.store(0);
    log.reopen = true;
    log.rootChanges.fetch_add(1);
    log.lock.unlock();
}

// Never destroyed, so objects destroyed at program end can still log.
LogFile& TheLogFile() {
    static LogFile* const log = [] {
        auto* made = new LogFile;
        ::pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild);
        return made;
    }();
    return *log;
}

// At a clean exit the log is cut to the end of its lines; an entry made later still reaches
// it, with a write of its own.
void FinishAtExit() {
    LogFile& log = TheLogFile();
    std::lock_guard<std::mutex> guard(log.lock);
    log.exiting = true;
    if (log.current) log.current->Finish();
}

// Milliseconds of the coarse monotonic clock (read without a system call, and cheaper than
// the precise one; it moves once per kernel tick).
std::int64_t CoarseMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Opens the file of the current root; when it cannot, writes nothing until it can (rather than
// on into the file of another root, or into one that was removed). Entries made meanwhile
// go to the file open before; the one replaced is cut to its entries. Under the lock.
void OpenTheFile(LogFile& log) {
    const std::filesystem::path path = Notify::LogFilePath();
    auto opened = std::make_unique<platform::MappedLog>();
    if (opened->Open(path)) {
        if (log.exiting) opened->Finish();
        if (!log.finishRegistered) log.finishRegistered = std::atexit(FinishAtExit) == 0;
    } else {
        opened.reset();
        if (!log.file.Open(path)) log.file.Close();
    }
    log.mapped.store(opened.get());
    if (log.current) {
        log.current->Finish();
        log.retired.push_back(std::move(log.current));
    }
    log.current = std::move(opened);
    if (log.appending.load() == 0) log.retired.clear();
}

bool IsOpen(const LogFile& log) {
    return log.current ? !log.current->Removed() : log.file.IsOpen() && !log.file.Removed();
}

// What the machine root was built from at this thread's last entry ($TREVO_HOME, else $HOME),
// in a plain buffer: the thread-local objects of the main thread are gone before the static
// ones, which may still log as they go.
struct RootSeen {
    char value[256];
    std::size_t size = SIZE_MAX;  // none yet, or too long to keep

    // True when the variables read as at the last call; takes them when they do not.
    bool Same() {
        char kind = 'T';
        const char* from = std::getenv("TREVO_HOME");
        if (!from || !*from) {
            kind = 'H';
            from = std::getenv("HOME");
            if (!from) from = "";
        }
        const std::size_t length = std::strlen(from);
        if (length >= sizeof value) {
            size = SIZE_MAX;
            return false;
        }
        if (size == length + 1 && value[0] == kind && std::memcmp(value + 1, from, length) == 0)
            return true;
        value[0] = kind;
        std::memcpy(value + 1, from, length);
        size = length + 1;
        return false;
    }
};

// Opens the file again when the machine root changed, and (looking at most once per
// millisecond) when it was removed or could not be opened before.
void FollowTheFile(LogFile& log) {
    thread_local RootSeen t_root;
    thread_local std::uint64_t t_rootChanges = UINT64_MAX;
    if (!t_root.Same() || t_rootChanges != log.rootChanges.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(log.lock);
        const bool reopen = std::exchange(log.reopen, false);
        if (log.root.Changed() || reopen) {
            OpenTheFile(log);
            log.rootChanges.fetch_add(1, std::memory_order_release);
        }
        t_rootChanges = log.rootChanges.load(std::memory_order_relaxed);
        return;
    }
    const std::int64_t now = CoarseMs();
    if (now == log.checkedMs.load(std::memory_order_relaxed)) return;
    // One thread looks; the others write on meanwhile.
    std::unique_lock<std::mutex> guard(log.lock, std::try_to_lock);
    if (!guard.owns_lock() || log.checkedMs.exchange(now) == now) return;
    if (!IsOpen(log)) OpenTheFile(log);
}

void WriteEntry(const char* data, std::size_t size) {
    LogFile& log = TheLogFile();
    FollowTheFile(log);
    for (int attempt = 0; attempt < 2; ++attempt) {
        log.appending.fetch_add(1);
        platform::MappedLog* mapped = log.mapped.load();
        auto result = platform::MappedLog::Result::Written;
        if (mapped)
            result = mapped->Append(data, size);
        else
            (void)log.file.Append(data, size);
        log.appending.fetch_sub(1);
        if (result != platform::MappedLog::Result::Stale) return;
        // The file was replaced under its name: the entry goes to the new one.
        std::lock_guard<std::mutex> guard(log.lock);
        if (log.mapped.load() == mapped) OpenTheFile(log);
    }
}

// True when one of the eight bytes is below 0x20 or is 0x7F (a tab counts too, and is told
// apart byte by byte).
bool HasControlByte(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHigh = 0x8080808080808080;
    const std::uint64_t below = (word - kOnes * 0x20) & ~word & kHigh;
    const std::uint64_t del = word ^ (kOnes * 0x7F);
    return (below | ((del - kOnes) & ~del & kHigh)) != 0;
}

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}

// The length of the run of bytes from `begin` up to the first control byte (or `end`).
std::size_t PlainRun(const char* text, std::size_t begin, std::size_t end) {
    std::size_t at = begin;
    for (;;) {
        std::uint64_t word;
        while (at + sizeof word <= end) {
            std::memcpy(&word, text + at, sizeof word);
            if (HasControlByte(word)) break;
            at += sizeof word;
        }
        const std::size_t stop = std::min(end, at + sizeof word);
        while (at < stop && !IsControl(static_cast<unsigned char>(text[at]))) ++at;
        if (at < stop || at == end) return at - begin;
    }
}

// Builds one line in the calling thread's own buffer, or on the heap for the rare line that
// does not fit it. The caller reserves room for the longest line it may write.
class LineBuilder {
public:
    explicit LineBuilder(std::size_t longest) {
        thread_local char t_buffer[4096];
        if (longest <= sizeof t_buffer) {
            m_begin = t_buffer;
        } else {
            m_heap.resize(longest);
            m_begin = m_heap.data();
        }
        m_end = m_begin;
    }

    void Put(char c) { *m_end++ = c; }
    void Put(const char* text, std::size_t size) {
        std::memcpy(m_end, text, size);
        m_end += size;
    }
    void PutNumber(long value) { m_end = std::to_chars(m_end, m_end + 24, value).ptr; }

    // "2026-12-10T12:57:25.123Z": the part up to the seconds is formatted once per second.
    void PutTimestamp() {
        using namespace std::chrono;
        thread_local std::int64_t t_second = -1;
        thread_local char t_prefix[48] = {};
        thread_local std::size_t t_prefixSize = 0;
        const auto now = time_point_cast<milliseconds>(system_clock::now());
        const std::int64_t ms = now.time_since_epoch().count();
        const std::int64_t second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
        if (second != t_second) {
            const sys_seconds whole{seconds{second}};
            const auto days = floor<std::chrono::days>(whole);
            const year_month_day ymd{days};
            const hh_mm_ss<seconds> tod{whole - days};
            const int n = std::snprintf(
                t_prefix, sizeof t_prefix, "%04d-%02u-%02uT%02d:%02d:%02d.",
                static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                static_cast<unsigned>(ymd.day()), static_cast<int>(tod.hours().count()),
                static_cast<int>(tod.minutes().count()), static_cast<int>(tod.seconds().count()));
            t_prefixSize = n > 0 ? std::min(static_cast<std::size_t>(n), sizeof t_prefix - 1) : 0;
            t_second = second;
        }
        Put(t_prefix, t_prefixSize);
        const auto milli = static_cast<int>(ms - second * 1000);
        Put(static_cast<char>('0' + milli / 100));
        Put(static_cast<char>('0' + milli / 10 % 10));
        Put(static_cast<char>('0' + milli % 10));
        Put('Z');
    }

    // The head of every line: the time, the level and a named logger's name in brackets.
    void PutHead(int level, const std::string& name) {
        PutTimestamp();
        Put(' ');
        PutNumber(level);
        Put(' ');
        if (name.empty()) return;
        Put('[');
        PutEscaped(name.data(), name.size(), false);
        Put("] ", 2);
    }

    // Control bytes (but tab) as \xHH: four characters at most for each byte of the text.
    void PutEscaped(const char* text, std::size_t length, bool trimBreaks) {
        std::size_t begin = 0;
        std::size_t end = length;
        if (trimBreaks) {
            while (begin < end && (text[begin] == '\n' || text[begin] == '\r')) ++begin;
            while (end > begin && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
        }
        static const char kHex[] = "0123456789ABCDEF";
        std::size_t i = begin;
        while (i < end) {
            // A run of bytes written as they are, then one written as \xHH.
            const std::size_t run = i + PlainRun(text, i, end);
            Put(text + i, run - i);
            if (run == end) break;
            const auto c = static_cast<unsigned char>(text[run]);
            const char hex[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 0x0F]};
            Put(hex, sizeof hex);
            i = run + 1;
        }
    }

    void Write() const { WriteEntry(m_begin, static_cast<std::size_t>(m_end - m_begin)); }

private:
    char* m_begin = nullptr;
    char* m_end = nullptr;
    std::string m_heap;
};

// A printf-style text in the thread's own buffer, or on the heap when it is longer.
class FormattedText {
public:
    // `format` is a printf format (the implicit object counts as the first argument).
    __attribute__((format(printf, 2, 0))) FormattedText(const char* format, va_list args) {
        if (!format) return;
        // The trace log's one format, a text between line breaks, needs no formatting: the
        // breaks at a text's ends are dropped anyway.
        if (std::strcmp(format, "\n%s\n") == 0) {
            va_list text;
            va_copy(text, args);
            const char* inner = va_arg(text, const char*);
            va_end(text);
            if (inner) {
                m_text = inner;
                m_size = std::strlen(inner);
                return;
            }
        }
        thread_local char t_text[1024];
        va_list again;
        va_copy(again, args);
        const int needed = std::vsnprintf(t_text, sizeof t_text, format, args);
        if (needed > 0 && static_cast<std::size_t>(needed) < sizeof t_text) {
            m_text = t_text;
            m_size = static_cast<std::size_t>(needed);
        } else if (needed > 0) {
            m_long.resize(static_cast<std::size_t>(needed) + 1);
            std::vsnprintf(m_long.data(), m_long.size(), format, again);
            m_long.resize(static_cast<std::size_t>(needed));
            m_text = m_long.data();
            m_size = m_long.size();
        }
        va_end(again);
    }

    const char* data() const { return m_text; }
    std::size_t size() const { return m_size; }

private:
    const char* m_text = "";
    std::size_t m_size = 0;
    std::string m_long;
};

// Room for the time, the level, the file's name and line and the line break.
constexpr std::size_t kHeadRoom = 96;

// The lowest level kept: TREVO_LOG_LEVEL when it holds a number, else every level.
int LowestLevelKept() {
    const char* value = std::getenv("TREVO_LOG_LEVEL");
    if (!value || !*value) return INT32_MIN;
    char* end = nullptr;
    const long level = std::strtol(value, &end, 10);
    if (*end != '\0' || level < INT32_MIN || level > INT32_MAX) return INT32_MIN;
    return static_cast<int>(level);
}

}  // namespace

Notify::Notify() : m_lowestLevel(LowestLevelKept()) {}

Notify::Notify(const std::string& name) : m_lowestLevel(LowestLevelKept()), m_name(name) {}

Notify::~Notify() = default;

std::filesystem::path Notify::LogFilePath() {
    return platform::MachineRoot() / "log" / "veka.log";
}

std::string Notify::ReadLog(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return platform::WholeLines::Of(bytes.str());
}

void Notify::printLog(int level, int line, const char* file, const char* format, ...) noexcept {
    if (!Keeps(level)) return;
    try {
        va_list args;
        va_start(args, format);
        const FormattedText text(format, args);
        va_end(args);
        if (!file) file = "?";
        const std::size_t fileSize = std::strlen(file);
        LineBuilder out(kHeadRoom + 4 * m_name.size() + fileSize + 4 * text.size());
        out.PutHead(level, m_name);
        out.Put(file, fileSize);
        out.Put('(');
        out.PutNumber(line);
        out.Put(") ", 2);
        out.PutEscaped(text.data(), text.size(), true);
        out.Put('\n');
        out.Write();
    } catch (...) {
        // A log entry is never worth failing the caller for.
    }
}

void Notify::printLog(int level, const char* format, ...) noexcept {
    if (!Keeps(level)) return;
    try {
        va_list args;
        va_start(args, format);
        const FormattedText text(format, args);
        va_end(args);
        LineBuilder out(kHeadRoom + 4 * m_name.size() + 4 * text.size());
        out.PutHead(level, m_name);
        out.PutEscaped(text.data(), text.size(), true);
        out.Put('\n');
        out.Write();
    } catch (...) {
    }
}

void Notify::printLog(int level, const char* text, int length, CHAR_TYPE /*charType*/) noexcept {
    if (!Keeps(level)) return;
    try {
        const std::size_t size = text && length > 0 ? static_cast<std::size_t>(length) : 0;
        LineBuilder out(kHeadRoom + 4 * m_name.size() + 4 * size);
        out.PutHead(level, m_name);
        out.PutEscaped(text, size, false);
        out.Put('\n');
        out.Write();
    } catch (...) {
    }
}

void Notify::printLog(int level, const std::string& data, CHAR_TYPE charType) noexcept {
    printLog(level, data.data(), static_cast<int>(data.size()), charType);
}
