// A file that threads and processes append whole entries to, each entry with one write on a
// descriptor opened for appending: entries never interleave, and an entry written is in the
// file even when the process is killed the next moment (only a power loss may lose the last
// ones, as nothing is flushed to disk here).
//
// The descriptor's number stays the same for the object's life: opening another file puts it
// in the old one's place in one step, so a thread appending meanwhile writes whole to the old
// or to the new file, never to a stray descriptor; Close only stops the appending, keeping
// the descriptor for the next Open. Append may run on any thread alongside one Open, Close or
// Removed at a time (the owner serialises those).
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>

namespace platform {

class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens the file for appending (making it and its folders, mode 0664) in place of the
    // one open before; false, keeping the one before, when it cannot.
    bool Open(const std::filesystem::path& path);
    // Appends nothing more until the next Open.
    void Close() noexcept;
    [[nodiscard]] bool IsOpen() const noexcept;
    // True when the open file has no name left (it was removed or replaced).
    [[nodiscard]] bool Removed() const;
    // Appends the bytes with one write (another for what a short write left). False when
    // the file is not open or the system refused.
    bool Append(const char* data, std::size_t size) const noexcept;

private:
    std::atomic<int> m_fd{-1};
    std::atomic<bool> m_open{false};
};

}  // namespace platform
