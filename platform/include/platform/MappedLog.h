// A log file that the threads of several processes append whole lines to through a shared
// mapping of the file: appending a line is a copy into pages that the kernel keeps when the
// process dies, so a line appended is in the file even if the process is killed the next
// moment (only a power loss may lose the last ones, as nothing is flushed to disk here).
//
// The processes share the end of the log through a small record beside it (the log's name
// with ".end"): a counter from which each line takes its place with one atomic addition. The
// file is grown ahead in steps, so while programs append it ends in zero bytes; it is cut to
// the length of its lines when a process finishes with it (Finish, at a clean exit) and when
// a process opens it while no other appends to it. That opening also mends what a process
// killed in the middle of a line left behind (see WholeLines.h): the half-written line goes,
// every whole line stays, in its place and order.
//
// A line's last byte (its line break) is stored after all the others, so a line is whole
// once its break is there. Readers of the file while programs run use WholeLines to see only
// the whole lines. The file must not be cut by others while programs append to it: removing
// or renaming it is safe (the appenders see it within a millisecond and start a new one).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>

namespace platform {

class MappedLog {
public:
    enum class Result {
        Written,
        Stale,  // the log was replaced under its name since Open: open it again
        Failed,
    };

    MappedLog() = default;
    // Unmaps and closes; the owner destroys it only once no Append runs.
    ~MappedLog();
    MappedLog(const MappedLog&) = delete;
    MappedLog& operator=(const MappedLog&) = delete;

    // Opens the log at `path` (making it, its record and its folders, mode 0664). False when
    // it is not a plain file that can be mapped and locked.
    bool Open(const std::filesystem::path& path);

    // Appends one line, whose last byte is its line break. Safe on any thread, alongside
    // Finish and Removed.
    Result Append(const char* data, std::size_t size) noexcept;

    // Cuts the file to the end of its lines, and from now on appends each line with one
    // positioned write, so the file is not grown ahead again by this object.
    void Finish() noexcept;

    // True when the log or its record has no name left, or the log was cut by another.
    [[nodiscard]] bool Removed() const;

    struct Shared;

private:
    class GrowLock;

    Result Place(const char* data, std::size_t size);
    Result PlaceLocked(std::uint64_t at, const char* data, std::size_t size);
    bool Copy(std::uint64_t at, const char* data, std::size_t size);
    char* Chunk(std::uint64_t index);
    void ReadyAhead(std::uint64_t from, std::uint64_t length);
    bool Grow(std::uint64_t need);
    void CutLocked();
    bool Adopt(bool alone);
    bool Mend();

    int m_fd = -1;     // the log
    int m_endFd = -1;  // its record
    Shared* m_shared = nullptr;
    std::uint64_t m_generation = 0;  // of the log this object opened
    std::atomic<bool> m_finished{false};
    std::mutex m_growLock;  // the growing and cutting of this process (then the record's lock)
    std::mutex m_mapLock;   // the mapping of chunks
    std::unique_ptr<std::atomic<char*>[]> m_chunks;
    std::atomic<std::uint64_t> m_ready{0};  // pages mapped writable up to here
    std::atomic<bool> m_readying{false};
};

}  // namespace platform
