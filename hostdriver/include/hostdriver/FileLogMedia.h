// CFileLogMedia: a log file that never grows past its size limit. After a write that brings
// the write position to the limit, writing starts again at the beginning of the file (a line is
// never split, so the file may pass the limit by one line). In persist mode the write position
// survives a close in the companion file "<name>.persist" (one 64-bit little-endian offset);
// opening truncates the file, so only the position carries over, not the text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "toolkit/Logger.h"
#include "toolkit/Mutex.h"

namespace quildrv {

class CFileLogMedia : public UTKLogger::CLogMedia {
public:
    enum { kKindFile = 2 };

    CFileLogMedia(std::string fileName, std::uint32_t sizeLimit, int persistMode);
    ~CFileLogMedia() override;
    CFileLogMedia(const CFileLogMedia&) = delete;
    CFileLogMedia& operator=(const CFileLogMedia&) = delete;

    [[nodiscard]] bool Open();
    bool IsOpen();
    void Write(UTKLogger::CPriority::EPRIORITY priority, const char* text) override;
    bool Close();

    int Kind() const noexcept { return kKindFile; }
    std::string PersistFileName() const { return m_fileName + ".persist"; }

private:
    std::string m_fileName;
    std::uint32_t m_sizeLimit;
    UTKTools::CRecursiveMutex m_lock;
    int m_persistMode;
    std::FILE* m_file = nullptr;  // under m_lock
};

}  // namespace quildrv
