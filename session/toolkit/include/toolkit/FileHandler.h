// UTKLogger::CFileHandler: the toolkit's small file writer. It opens a file for reading and
// writing, created so that every account of the machine may use it, and writes, flushes
// and closes it. The name is a Windows path or a path of this machine.
#pragma once

#include <cstdint>
#include <cstdio>

#include "toolkit/ToolkitApi.h"

namespace UTKLogger {

class UTK_API CFileHandler {
public:
    // With a null name nothing is opened. createAlways empties a present file; otherwise a
    // present file is opened and a missing one created.
    CFileHandler(const char* fileName, bool createAlways);
    CFileHandler(const CFileHandler&) = delete;
    CFileHandler& operator=(const CFileHandler&) = delete;
    virtual ~CFileHandler();

    bool IsOpen() const { return m_pFile != nullptr; }
    // Writes until every byte is written; true also for a count of 0.
    bool FileWrite(const void* bytes, std::uint32_t count);
    void FileFlush();
    void FileClose();

private:
    std::FILE* m_pFile = nullptr;
};

}  // namespace UTKLogger
