// The device core's access to a printer of the device manager through the forms printer
// library: a printer handle with a printer session, the form selected, message buffers
// written with a time-out loop that gives one second chance, the printer's answer read,
// and the session ended. It keeps a port state and a last error text like CComm.
//
// Threads: a device's send and receive threads. The port state and the last error each
// have their own lock; the write words are atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/Comm.h"
#include "core/MessageBuffer.h"

namespace core {

class CCommKDM {
public:
    // A printer that needs the host name set and takes no form selection.
    static constexpr int kModeHostName = 2;
    static constexpr std::uint32_t kWriteSeconds = 131;
    static constexpr std::uint32_t kReadSize = 300;
    static constexpr const char* kHostName = "Trevo Air";

    CCommKDM(const std::string& strFormName, const std::string& strPrinterName, int iMode);
    virtual ~CCommKDM();
    CCommKDM(const CCommKDM&) = delete;
    CCommKDM& operator=(const CCommKDM&) = delete;

    [[nodiscard]] int OpenPort();
    [[nodiscard]] int ConfigurePort();
    [[nodiscard]] int WritePort(const CMessageBuffer& buffer);
    // 0 when iTimeout is 0; otherwise 1 while the last write did not complete well.
    [[nodiscard]] int ReadPortWaitForReceive(int iTimeout) const;
    [[nodiscard]] int ReadPort(CMessageBuffer& buffer);
    [[nodiscard]] int ClosePort();
    // Logs the library's text of the calling thread's last error.
    void PrintErrorMsg(const std::string& strCaller);

    // Between documents: the library's own calls on the open session (0 on failure).
    [[nodiscard]] int EndSession();
    [[nodiscard]] int EjectForm();
    [[nodiscard]] int ReadStockCode(std::string& code);
    [[nodiscard]] int ReadBarCode(std::string& code);
    // Bytes straight to the printer, without the write loop.
    [[nodiscard]] int WriteRaw(const std::uint8_t* data, std::uint32_t length);

    void SetPortState(int eState);
    ePortState GetPortState() const;
    void SetLastError(const std::string& text);
    std::string GetLastError() const;
    bool IsOpen() const noexcept { return m_hPrinter != nullptr; }

    std::atomic<bool> m_bResumeWrite{false};

private:
    int WriteStep(const std::uint8_t* data, std::uint32_t& nWritten, std::uint32_t& nRemaining);

    int m_iMode;
    std::string m_strFormName;
    std::string m_strPrinterName;
    mutable std::mutex m_csPortState;
    ePortState m_ePortState = PORT_CLOSED;
    mutable std::mutex m_csLastError;
    std::string m_strLastError;
    std::atomic<int> m_iWritePending{1};
    std::atomic<int> m_iReadStarted{0};
    // Where an interrupted write stopped, and its bytes (send thread only).
    std::uint32_t m_nWritten = 0;
    std::uint32_t m_nRemaining = 0;
    std::vector<std::uint8_t> m_resumeData;
    void* m_hPrinter = nullptr;
};

}  // namespace core
