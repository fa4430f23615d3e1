// Notify: writes log entries, one line each, to the machine's log file
// <machine root>/log/veka.log ($TREVO_HOME/log/veka.log). The file is opened for appending
// (so several processes may share it) and re-opened when the machine root changes.
//
// Line forms:
//   2026-12-10T12:57:25.123Z 2 src/Device.cpp(120) <text>     variable-argument form
//   2026-12-10T12:57:25.123Z 0 <text>                          explicit-length form
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

class Notify {
public:
    Notify();
    ~Notify();
    Notify(const Notify&) = delete;
    Notify& operator=(const Notify&) = delete;

    // printf-style entry with the caller's source line and file.
    void printLog(int level, int line, const char* file, const char* format, ...) noexcept
        __attribute__((format(printf, 5, 6)));
    // An entry of exactly `length` bytes of `text` (zero bytes included). charType 1 is
    // single-byte characters, the only type this library writes.
    void printLog(int level, const char* text, int length, int charType) noexcept;

    // The file entries go to for the current machine root.
    static std::filesystem::path LogFilePath();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
