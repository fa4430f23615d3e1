// Log-file writer: every line is the logger's prefix followed by a printf-style text,
// appended to a file of the machine root. Several loggers may share one file; a line is
// written whole (one write under a process-wide lock) and the file is not held open, so a
// test or an administrator may move it away at any time.
#pragma once

#include <string>

class Logger {
public:
    // fileName is relative to the machine root; prefix opens every line.
    Logger(const char* fileName, const char* prefix);
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void logPrint(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& prefix() const { return m_prefix; }
    std::string path() const;

private:
    std::string m_fileName;
    std::string m_prefix;
};
