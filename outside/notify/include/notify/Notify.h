// Notify: writes log entries, one line each, to the machine's log file
// <machine root>/log/veka.log ($TREVO_HOME/log/veka.log). The file is opened for appending
// (so several processes may share it) and re-opened when the machine root changes.
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
// Every level is kept. Safe to call from any thread; an entry is written with one write
// and never interleaves with another. Nothing here throws into the caller: a failure to
// write is swallowed (the entry is lost).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

// The level of an entry: 0 tracing, 2 errors; every level is kept.
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

    // The file entries go to for the current machine root.
    static std::filesystem::path LogFilePath();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_name;
};
