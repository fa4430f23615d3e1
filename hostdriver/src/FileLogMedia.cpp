#include "hostdriver/FileLogMedia.h"

#include <array>

namespace quildrv {

CFileLogMedia::CFileLogMedia(std::string fileName, std::uint32_t sizeLimit, int persistMode)
    : m_fileName(std::move(fileName)), m_sizeLimit(sizeLimit), m_persistMode(persistMode) {
    (void)Open();
}

CFileLogMedia::~CFileLogMedia() {
    (void)Close();
}

bool CFileLogMedia::Open() {
    UTKTools::CGuard guard(m_lock);
    if (m_file != nullptr) return true;
    m_file = std::fopen(m_fileName.c_str(), "wb");
    if (m_file == nullptr) return false;
    if (m_persistMode == 1) {
        if (std::FILE* p = std::fopen(PersistFileName().c_str(), "rb")) {
            std::array<unsigned char, 8> bytes{};
            if (std::fread(bytes.data(), 1, bytes.size(), p) == bytes.size()) {
                std::uint64_t offset = 0;
                for (std::size_t i = bytes.size(); i-- > 0;) offset = (offset << 8) | bytes[i];
                if (offset <= static_cast<std::uint64_t>(INT64_MAX))
                    (void)std::fseek(m_file, static_cast<long>(offset), SEEK_SET);
            }
            std::fclose(p);
        }
    }
    return true;
}

bool CFileLogMedia::IsOpen() {
    UTKTools::CGuard guard(m_lock);
    return m_file != nullptr;
}

void CFileLogMedia::Write(UTKLogger::CPriority::EPRIORITY /*priority*/, const char* text) {
    if (text == nullptr) return;
    UTKTools::CGuard guard(m_lock);
    if (m_file == nullptr) return;
    std::fputs(text, m_file);
    std::fflush(m_file);
    const long position = std::ftell(m_file);
    if (position >= 0 && static_cast<std::uint64_t>(position) >= m_sizeLimit) std::rewind(m_file);
}

bool CFileLogMedia::Close() {
    UTKTools::CGuard guard(m_lock);
    if (m_file == nullptr) return false;
    if (m_persistMode == 1) {
        const long position = std::ftell(m_file);
        if (std::FILE* p = std::fopen(PersistFileName().c_str(), "wb")) {
            std::array<unsigned char, 8> bytes{};
            auto offset = static_cast<std::uint64_t>(position < 0 ? 0 : position);
            for (auto& b : bytes) {
                b = static_cast<unsigned char>(offset & 0xFF);
                offset >>= 8;
            }
            (void)std::fwrite(bytes.data(), 1, bytes.size(), p);
            std::fclose(p);
        }
    }
    std::fclose(m_file);
    m_file = nullptr;
    return true;
}

}  // namespace quildrv
