// Facts about the running process, and programs it starts.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Win32Error.h"

namespace platform {

// The calling process's id, as GetCurrentProcessId gives it.
DWORD GetCurrentProcessId() noexcept;

// The full path of the running program's file; empty (with the last error) when the
// system does not tell.
std::filesystem::path ProgramFile();

// Starts `program`, sought along PATH as a shell seeks it (a name with a '/' is taken as it
// stands), with `args` after its name, in the caller's environment. The child keeps the
// caller's standard input, output and error and no other descriptor of the caller. Its
// process id, or 0 with the last error (ERROR_FILE_NOT_FOUND when there is no such program).
[[nodiscard]] DWORD StartProgramOnPath(const std::string& program,
                                       const std::vector<std::string>& args);

// Ends a child process of this process (a termination request) and collects its end,
// waiting at most timeoutMs of real time. False when it is no child of ours or has not ended
// in time.
bool EndChildProcess(DWORD pid, int timeoutMs);

// A FIFO, the named signal between programs of the machine: a writer signals by writing a
// byte, a reader that holds it open counts the bytes.
// Makes the FIFO (one that is there already is success).
[[nodiscard]] bool CreateFifo(const std::filesystem::path& path);
// Writes one byte without blocking: false when the FIFO is missing, nobody holds it open for
// reading, or it is full.
bool SignalFifo(const std::filesystem::path& path);

// The reading end of a FIFO, opened without blocking.
class FifoReader {
public:
    FifoReader() = default;
    ~FifoReader();
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    // Makes the FIFO when it is missing and opens it for reading.
    [[nodiscard]] bool Open(const std::filesystem::path& path);
    // Reads every byte that is waiting: their count.
    std::size_t Drain();
    void Close() noexcept;

private:
    int m_fd = -1;
};

}  // namespace platform
