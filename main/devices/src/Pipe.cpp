#include "devices/Pipe.h"

#include <cctype>
#include <span>
#include <utility>

#include "core/TraceLog.h"

namespace devices {

CPipe::CPipe(std::string strPipeName) : m_strPipeName(std::move(strPipeName)) {}

void CPipe::InitializeNamedPipe() {
    TRACE_FORMAT(0, "CPipe::InitializeNamedPipe():", "Entering");
    if (!m_server.Create(m_strPipeName, kBufferSize)) {
        m_dwLastError = platform::GetLastError();
        TRACE_ERROR_TEXT(
            "CPipe::InitializeNamedPipe(): ::CreateNamedPipe():Error in CreateNamedPipe",
            m_dwLastError);
        return;
    }
    m_dwLastError = 0;
}

bool CPipe::WriteToNamedPipe(const std::string& data, bool bLast) {
    static constexpr const char* kLabel = "CPipe::WriteToNamedPipe():";
    TRACE_STRING(0, kLabel, "");
    if (!bLast) {
        TRACE_STRING(0, kLabel, "Not last buffer in message");
        m_strAccumulation += data;
        return true;
    }
    TRACE_STRING(0, kLabel, "Last buffer in message");
    m_strAccumulation += data;
    const bool bResult = FileWrite(m_strAccumulation);
    // Written or not, the message is over: a failed one is never put before the next.
    m_strAccumulation.clear();
    return bResult;
}

bool CPipe::FileWrite(const std::string& data) {
    static constexpr const char* kLabel = "CPipe::FileWrite():";
    TRACE_FORMAT(0, kLabel, "Writing %i bytes", static_cast<int>(data.size()));
    TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<int>(data.size()));
    TRACE_STRING(0, kLabel, "Writing to File Now");
    platform::DWORD written = 0;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              data.size());
    if (!m_server.Write(bytes, written, kWriteWaitMs)) return false;
    TRACE_FORMAT(0, kLabel, "File Write Status -%i Bytes Written - %i", 1,
                 static_cast<int>(written));
    TRACE_STRING(0, kLabel, "Flushing File Buffers now");
    // The client has the message once it is written; the wait for its reading is bounded.
    (void)m_server.Flush(kFlushWaitMs);
    TRACE_STRING(0, kLabel, "Flushed File Buffers");
    return true;
}

bool CPipe::PipeReceiveAck1() {
    std::uint8_t buffer[kAckBytes] = {};
    platform::DWORD read = 0;
    // Waits (bounded) for the client instead of looking every millisecond.
    if (!m_server.WaitForInput(kReceiveWaitMs)) return false;
    if (!m_server.Peek(buffer, read) || read == 0) return false;
    if (!m_server.Read(buffer, read, 0)) {
        TRACE_LAST_ERROR("CPipe::PipeReceiveAck1(): ::PipeReceiveAck():");
        return false;
    }
    std::string text;
    for (platform::DWORD i = 0; i < read && buffer[i] != 0; ++i)
        text += static_cast<char>(std::toupper(buffer[i]));
    if (text != "CLOSE") return false;
    TRACE_STRING(0, "CPipe::PipeAck:", "Clouse Received");
    return true;
}

bool CPipe::ResetNamedPipe() {
    if (!m_server.Disconnect()) return false;
    InitializeNamedPipe();
    return true;
}

}  // namespace devices
