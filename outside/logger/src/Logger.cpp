#include "logger/Logger.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/MachineRoot.h"

namespace {

std::mutex& fileLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

Logger::Logger(const char* fileName, const char* prefix)
    : m_fileName(fileName ? fileName : ""), m_prefix(prefix ? prefix : "") {}

Logger::~Logger() = default;

std::string Logger::path() const {
    return (platform::MachineRoot() / m_fileName).string();
}

void Logger::logPrint(const char* format, ...) {
    if (!format) return;
    std::string line = m_prefix;
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        line.append(small, static_cast<std::size_t>(n));
    } else if (n > 0) {
        std::vector<char> big(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        line.append(big.data(), static_cast<std::size_t>(n));
    }
    va_end(again);

    const std::string file = path();
    std::lock_guard<std::mutex> hold(fileLock());
    std::FILE* f = std::fopen(file.c_str(), "ab");
    if (!f) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
        f = std::fopen(file.c_str(), "ab");
        if (!f) return;
    }
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}
