// The named pipe device's end of its pipe: a pipe server in message mode that one client
// at a time opens by the pipe's name. Each host message reaches the client as one pipe
// message, written when its last buffer comes; the client ends its turn with the message
// "CLOSE" (any case, a trailing zero allowed), after which the pipe waits for the next one.
//
// Threads: the device's send thread writes, its receive thread watches for "CLOSE" and
// resets the pipe; Cancel (from the thread that shuts the device down) ends their waits.
#pragma once

#include <cstdint>
#include <string>

#include "platform/NamedPipe.h"
#include "platform/Win32Error.h"

namespace devices {

class CPipe {
public:
    static constexpr platform::DWORD kBufferSize = 8192;
    static constexpr int kMaxInstances = 10;
    static constexpr int kDefaultTimeOutMs = 120000;
    // How long a write waits for room, and the flush for the client to read.
    static constexpr int kWriteWaitMs = 10000;
    static constexpr int kFlushWaitMs = 10000;
    // How long one look for the client's message waits before the caller looks at its
    // own state again.
    static constexpr int kReceiveWaitMs = 100;
    // The longest client message read.
    static constexpr std::size_t kAckBytes = 9;

    explicit CPipe(std::string strPipeName);
    ~CPipe() = default;
    CPipe(const CPipe&) = delete;
    CPipe& operator=(const CPipe&) = delete;

    // Makes a new instance of the pipe (the old one, if any, is closed first).
    void InitializeNamedPipe();
    // Gathers the buffers of a host message and writes them as one message with the last.
    // A message that cannot be written is dropped.
    [[nodiscard]] bool WriteToNamedPipe(const std::string& data, bool bLast);
    [[nodiscard]] bool FileWrite(const std::string& data);
    // True when the client has sent "CLOSE".
    [[nodiscard]] bool PipeReceiveAck1();
    // Drops the client and makes the pipe ready for the next.
    [[nodiscard]] bool ResetNamedPipe();
    // Ends every wait of the pipe now and from now on.
    void Cancel() { m_server.Cancel(); }

    platform::DWORD LastError() const noexcept { return m_dwLastError; }
    const std::string& PipeName() const noexcept { return m_strPipeName; }

private:
    std::string m_strAccumulation;
    std::string m_strPipeName;
    platform::DWORD m_dwLastError = 0;
    platform::NamedPipeServer m_server;
};

}  // namespace devices
