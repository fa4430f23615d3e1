#include "spoolkit/Spoolkit.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ByteWriter.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Win32Error.h"

namespace {

// How long a writer waits for another process to finish its record.
constexpr platform::DWORD kLockWaitMs = 2000;

struct OpenQueue {
    std::mutex lock;  // one record at a time from this process's threads
    platform::File file;
};

std::mutex g_tableLock;
std::map<std::uint32_t, std::shared_ptr<OpenQueue>> g_table;  // under g_tableLock
std::uint32_t g_nextHandle = 1;                               // under g_tableLock

std::shared_ptr<OpenQueue> Find(std::uint32_t handle) {
    std::lock_guard guard(g_tableLock);
    const auto it = g_table.find(handle);
    return it == g_table.end() ? nullptr : it->second;
}

}  // namespace

std::uint32_t OpenQFile(const char* fullQueuePath) {
    if (fullQueuePath == nullptr) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return kQFileInvalidHandle;
    }
    const auto path = platform::MapPath(fullQueuePath);
    if (path.empty()) return kQFileInvalidHandle;
    auto queue = std::make_shared<OpenQueue>();
    if (!queue->file.Open(path, platform::File::Disposition::OpenAlways))
        return kQFileInvalidHandle;
    std::lock_guard guard(g_tableLock);
    // Handles are never 0 (the callers' "not open") nor the failure value.
    while (g_nextHandle == 0 || g_nextHandle == kQFileInvalidHandle ||
           g_table.count(g_nextHandle) != 0)
        ++g_nextHandle;
    const std::uint32_t handle = g_nextHandle++;
    g_table.emplace(handle, std::move(queue));
    return handle;
}

int WriteQFile(std::uint32_t handle, std::uint16_t recordCode, const std::uint8_t* data,
               std::uint16_t length) {
    const auto queue = Find(handle);
    if (!queue) {
        platform::SetLastError(platform::ERROR_INVALID_HANDLE);
        return QFILE_BAD_HANDLE;
    }
    if (data == nullptr && length != 0) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return QFILE_BAD_PARAMETER;
    }
    std::vector<std::uint8_t> record;
    record.reserve(4u + length);
    platform::ByteWriter writer(record);
    writer.u16le(recordCode);
    writer.u16le(length);
    if (length != 0) writer.bytes({data, length});

    std::lock_guard guard(queue->lock);
    platform::File& file = queue->file;
    if (!file.Lock(kLockWaitMs)) return QFILE_LOCKED;
    int result = QFILE_OK;
    const std::int64_t end = file.Size();
    if (end < 0 || !file.Seek(static_cast<std::uint64_t>(end))) {
        result = QFILE_WRITE_FAILED;
    } else if (!file.Write(record)) {
        const platform::DWORD error = platform::GetLastError();
        // Leave no torn record behind for the reader.
        (void)file.Resize(static_cast<std::uint64_t>(end));
        platform::SetLastError(error);
        result = QFILE_WRITE_FAILED;
    }
    file.Unlock();
    return result;
}

void CloseQFile(std::uint32_t handle) {
    std::shared_ptr<OpenQueue> queue;
    {
        std::lock_guard guard(g_tableLock);
        const auto it = g_table.find(handle);
        if (it == g_table.end()) return;
        queue = std::move(it->second);
        g_table.erase(it);
    }
    // A writer still inside WriteQFile keeps the file open until it is done.
}
