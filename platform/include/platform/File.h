// A file opened for reading and writing as CreateFile opens one: the disposition says
// what happens to a file that is there or missing, and a file made here gets the mode of
// files every account may use. Results are Win32 ones (false with the last error set).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/FileOps.h"
#include "platform/Win32Error.h"

namespace platform {

class File {
public:
    enum class Disposition {
        CreateAlways,  // a file that is there is emptied, a missing one made
        OpenAlways,    // a file that is there is opened, a missing one made
        OpenExisting,  // a missing file is ERROR_FILE_NOT_FOUND
        CreateNew,     // a file that is there is ERROR_FILE_EXISTS
    };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens for reading and writing at the start of the file. A file made here gets
    // `mode` whatever the umask says; a file that was there keeps its own.
    [[nodiscard]] bool Open(const std::filesystem::path& path, Disposition disposition,
                            unsigned mode = kSharedFileMode);
    bool IsOpen() const noexcept { return m_fd >= 0; }
    // True when the last Open found the file already there.
    bool existed() const noexcept { return m_existed; }

    // Writes every byte at the current position (true also for none).
    [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes);
    // Reads up to out.size() bytes: the count, 0 at the end, -1 on error.
    long Read(std::span<std::uint8_t> out);
    // Moves to the end (for appending) or to an absolute offset.
    [[nodiscard]] bool SeekToEnd();
    [[nodiscard]] bool Seek(std::uint64_t offset);
    // The file's size, or -1 on error.
    std::int64_t Size() const;
    // Cuts or extends the file to `size` bytes.
    [[nodiscard]] bool Resize(std::uint64_t size);
    // Flushes the file's data to the disk.
    [[nodiscard]] bool Flush();
    // Takes the lock on the file that every process holding it open shares (whoever opened
    // it, by whatever path), waiting at most timeoutMs of real time for a holder to let go;
    // ERROR_LOCK_VIOLATION when it did not. Threads of one process sharing one File must
    // serialise among themselves. Closing the file releases the lock.
    [[nodiscard]] bool Lock(DWORD timeoutMs);
    void Unlock() noexcept;
    void Close() noexcept;

private:
    int m_fd = -1;
    bool m_existed = false;
};

}  // namespace platform
