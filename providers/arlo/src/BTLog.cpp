#include "arlo/BTLog.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>

#include "platform/Clock.h"
#include "platform/Path.h"

namespace arlo {
namespace {

std::tm Now() {
    const std::time_t t = static_cast<std::time_t>(platform::CurrentClock().WallMs() / 1000);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::string DayName() {
    const std::tm tm = Now();
    char day[8];
    std::strftime(day, sizeof day, "%a", &tm);
    return day;
}

}  // namespace

CBTLog::CBTLog(unsigned level, bool overwrite)
    : m_overwrite(overwrite), m_name("log." + DayName()), m_level(level) {
    Open();
}

CBTLog::CBTLog(std::string name, unsigned level, bool overwrite)
    : m_overwrite(overwrite), m_name(std::move(name)), m_level(level) {
    Open();
}

void CBTLog::Open() {
    m_opened = false;
    if (m_name.empty() || m_name == "/dev/null") return;
    const auto path = platform::MapPath(m_name);
    m_file.open(path,
                m_overwrite ? std::ios::out | std::ios::trunc : std::ios::out | std::ios::app);
    if (!m_file) {
        const int error = errno;
        std::cerr << "Unable to open " << m_name << ": Error " << m_file.rdstate() << "\n"
                  << "errno=" << error << " " << std::strerror(error) << "\n";
        return;
    }
    m_opened = true;
    m_file << std::string(62, '=') << "\n";
    if (m_level != 0)
        m_file << "         ----------- Logging at level " << m_level << " ------------\n";
    m_file.flush();
}

void CBTLog::SetLevel(unsigned level) {
    m_level = level;
    if (!m_opened) return;
    if (level == 0) {
        m_file << "         -------- Logging is now turned OFF --------\n";
    } else {
        m_file << "         -------- Logging is now at level " << level << " --------\n";
    }
    m_file.flush();
}

void CBTLog::SetFileName(const std::string& name) {
    if (name == m_name) return;
    if (m_file.is_open()) m_file.close();
    m_name = name;
    Open();
}

std::string CBTLog::Prefix() const {
    const std::tm tm = Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[%5d: %.2d/%.2d/%.2d %.2d:%.2d:%.2d.",
                  static_cast<int>(::getpid()), tm.tm_mon + 1, tm.tm_mday, tm.tm_year, tm.tm_hour,
                  tm.tm_min, tm.tm_sec);
    std::string p = stamp;
    if (!m_tag.empty()) p += " " + m_tag;
    return p + "] ";
}

void CBTLog::Write(unsigned level, const std::string& text) {
    if (!m_opened || m_level == 0 || level > m_level) return;  // the swallowed lines
    m_file << Prefix() << text << "\n";
    m_file.flush();
}

void CBTLog::Write(unsigned level, double value) {
    Write(level, std::to_string(value));
}

void CBTLog::WriteHex(unsigned level, const std::uint8_t* data, std::size_t length) {
    std::string hex;
    for (std::size_t i = 0; i < length; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", data[i]);
        hex += two;
    }
    Write(level, hex);
}

}  // namespace arlo
