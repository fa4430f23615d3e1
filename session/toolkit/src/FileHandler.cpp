#include "toolkit/FileHandler.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/FileOps.h"
#include "platform/Path.h"

namespace UTKLogger {

CFileHandler::CFileHandler(const char* fileName, bool createAlways) {
    if (fileName == nullptr) {
        return;
    }
    const std::filesystem::path path = platform::MapPath(fileName);
    if (path.empty()) {
        return;
    }
    bool created = false;
    if (!createAlways) {
        m_pFile = std::fopen(path.c_str(), "r+b");
    }
    if (m_pFile == nullptr && (createAlways || errno == ENOENT)) {
        m_pFile = std::fopen(path.c_str(), "w+b");
        created = m_pFile != nullptr;
    }
    if (created) {
        // No restriction for any account of the machine, whatever the umask says.
        std::error_code ignored;
        std::filesystem::permissions(
            path, static_cast<std::filesystem::perms>(platform::kSharedFileMode), ignored);
    }
}

CFileHandler::~CFileHandler() {
    FileFlush();
    FileClose();
}

bool CFileHandler::FileWrite(const void* bytes, std::uint32_t count) {
    if (count == 0) {
        return true;
    }
    if (m_pFile == nullptr || bytes == nullptr) {
        return false;
    }
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::uint32_t done = 0;
    while (done < count) {
        const std::size_t n = std::fwrite(p + done, 1, count - done, m_pFile);
        if (n == 0) {
            return false;
        }
        done += static_cast<std::uint32_t>(n);
    }
    return true;
}

void CFileHandler::FileFlush() {
    if (m_pFile != nullptr) {
        std::fflush(m_pFile);
    }
}

void CFileHandler::FileClose() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

}  // namespace UTKLogger
