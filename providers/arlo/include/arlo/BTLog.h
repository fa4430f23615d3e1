// A levelled log file: a line is written when the log is open, its level is not 0 and the
// line's level is at most the log's. Every line starts "[pid: mm/dd/yy hh:mm:ss." (the year
// as years since 1900), then the tag when there is one, then "] ". Nothing in the provider
// makes one; it is kept for whoever needs it.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace arlo {

class CBTLog {
public:
    // "log." and the day's short name.
    CBTLog(unsigned level, bool overwrite);
    CBTLog(std::string name, unsigned level, bool overwrite = true);

    void SetLevel(unsigned level);
    // Closes and opens anew when the name changes.
    void SetFileName(const std::string& name);
    void SetTag(std::string tag) { m_tag = std::move(tag); }
    bool IsOpen() const { return m_opened; }

    void Write(unsigned level, const std::string& text);
    void Write(unsigned level, char c) { Write(level, std::string(1, c)); }
    void Write(unsigned level, double value);
    // Two upper-case hex digits per byte, without separators.
    void WriteHex(unsigned level, const std::uint8_t* data, std::size_t length);

private:
    void Open();
    std::string Prefix() const;

    std::ofstream m_file;
    bool m_overwrite;
    std::string m_name;
    bool m_opened = false;
    unsigned m_level;
    std::string m_tag;
};

}  // namespace arlo
