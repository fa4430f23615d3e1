// Notify: writes log entries, one line each, to the machine's log file
// <machine root>/log/veka.log ($TREVO_HOME/log/veka.log). The file is opened for appending
// (so several processes may share it) and opened again when the machine root changes.
//
// Line forms:
//   2026-12-10T12:57:25.123Z 2 src/Device.cpp(120) <text>     with a source position
//   2026-12-10T12:57:25.123Z 0 <text>                          without one, and data dumps
// A logger made with a name writes it in brackets after the level: "... 2 [ROUTE1] ...".
// The time is UTC with milliseconds; the number after it is the level. Line breaks at the
// start and end of a text are dropped; any other control byte (and every byte of a text
// given with an explicit length that is not printable) is written as \xHH, so one entry is
// always exactly one line.
//
// Levels kept: every level, unless TREVO_LOG_LEVEL (read when the object is made) names the
// lowest level to keep; an entry below it is dropped before anything is formatted.
//
// Safe to call from any thread. Each entry is formatted in the calling thread's own buffer
// and copied into a shared mapping of the file (see platform/MappedLog.h), or, when the file
// cannot be mapped, written with one write on a descriptor opened for appending: entries
// never interleave, and an entry written is in the file even if the process is killed right
// after. While programs append, the file is grown ahead and ends in zero bytes; it is cut to
// its entries at a clean exit and when the next program opens it alone (ReadLog reads the
// whole entries at any time). The file is looked at again, at most once per millisecond,
// when it was removed or could not be opened; while the current root's file cannot be
// opened, entries are lost rather than written to another root's file. Nothing here throws
// into the caller: a failure to write is swallowed (the entry is lost).
#pragma once

#include <filesystem>
#include <string>

// The level of an entry: 0 tracing, 2 errors.
using WARN_LEVEL = int;

// How a data dump's bytes are to be shown. Both kinds are written byte for byte, bytes that
// are not printable as \xHH.
enum CHAR_TYPE : int {
    CHAR_ASCII = 1,
    CHAR_EBCDIC = 2,
};

class Notify {
public:
    Notify();
    // A logger whose lines carry its name (a provider names one after its route).
    explicit Notify(const std::string& name);
    ~Notify();
    Notify(const Notify&) = delete;
    Notify& operator=(const Notify&) = delete;

    // printf-style entry with the caller's source line and file.
    void printLog(int level, int line, const char* file, const char* format, ...) noexcept
        __attribute__((format(printf, 5, 6)));
    // printf-style entry without a source position.
    void printLog(int level, const char* format, ...) noexcept
        __attribute__((format(printf, 3, 4)));
    // A dump of exactly `length` bytes of `text` (zero bytes included).
    void printLog(int level, const char* text, int length, CHAR_TYPE charType) noexcept;
    void printLog(int level, const std::string& data, CHAR_TYPE charType) noexcept;

    // Whether entries of this level are written (callers skip formatting the others).
    [[nodiscard]] bool Keeps(int level) const noexcept { return level >= m_lowestLevel; }
    // The lowest level written.
    [[nodiscard]] int LowestLevel() const noexcept { return m_lowestLevel; }

    // The file entries go to for the current machine root.
    static std::filesystem::path LogFilePath();
    // The whole entries of a log file (the current root's by default), as programs
    // appending to it now have written them: without the bytes grown ahead and without an
    // entry a killed program left half written. Empty when the file cannot be read.
    static std::string ReadLog(const std::filesystem::path& path = LogFilePath());

private:
    int m_lowestLevel;
    std::string m_name;
};
