// CPrinterMFE: the front end of a printer connection. One host session at a time carries the
// printer's traffic (its Active flag); host data for the application waits in the host queue.
// The host can tell the printer to take its output from another host (a print URL): the host
// is listed in PTRURLLIST and, once the printer answers ready (C3 E2 / C3 E3) with auto-bid on,
// the front end puts the home session on hold, moves to that host, and comes back to the
// default host when the URL host cannot be reached or is done.
//
// The queue lock (recursive: a send may hand a canned answer straight back) guards the queue,
// the flags and the session moves.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hostdriver/FrontEnd.h"
#include "toolkit/Mutex.h"

namespace quildrv {

class CHostSessionList;

class CPrinterMFE : public CMFEBase {
public:
    static constexpr int kDefaultPort = 30051;

    CPrinterMFE();
    ~CPrinterMFE() override;

    // CMFEInt
    const char* GetSessionData() override;
    bool IsHostAvailable() override;
    bool IsConnected() override;
    int BeginSession() override;
    int EndSession() override;
    int SendToHost(const unsigned char* data, unsigned int length) override;
    int RecvFromHost(unsigned char** data, unsigned int* length) override;
    const char* GetLNIATA() override;
    bool SetDrvOptions(int option, int value) override;
    bool Init() override;
    int AddBufferToChain(const unsigned char* data, unsigned int length) override;
    int BackGroundConnect(unsigned char* host) override;
    void WorkHostQueue() override;
    QUILOptionsState* GetElementState(int element, QUILOptionsState* state) override;
    bool SetElementState(int element, void* data) override;

    // CMFECallback
    void OnHostData(unsigned char* data, unsigned int length, CHostSession* session) override;
    void OnConnect(int code, bool flag) override;
    void OnURLAddress(const unsigned char* data, unsigned int length) override;
    void OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                               CHostSession* session) override;
    bool OnGetCfgInfo(const char*, const char*, char*, unsigned int*) override { return false; }
    bool OnStoreCfgInfo(const char*, const char*, const char*, unsigned int) override {
        return false;
    }
    void SetHostState(int, const char*) override {}
    int GetHostState(const char*) override { return 5; }
    int GetPort() override;
    int GetHostSessionState(const char*, CHostSession*) override { return 0; }
    std::uint32_t GetLID(const char* host) override;
    const char* GetConfiguredLNIATA() override;
    bool GetKeepAlive() override { return true; }
    unsigned char* GetRID(const char* host) override;
    bool OnHandleError(CHostSession* session, const unsigned char* data,
                       unsigned int length) override;
    // An unanswered keep-alive stops only on a URL session that no longer carries the printer.
    bool AgreesToStopKeepAlive(CHostSession* session) override;

    CHostSession* CurrentSession() const { return m_current.load(); }
    bool PrinterReady() const { return m_printerReady.load(); }

    // The host named by a print URL: its text up to the first "/" after the first character,
    // within the message.
    static std::string UrlHost(std::span<const std::uint8_t> url);

private:
    // The front end's session for the host (reused when listed), begun on the front end's
    // port; null when it cannot be had.
    CHostSession* MakeSession(const std::string& host);
    std::string HomeHost();
    // Makes the session the current one and asks the printer for its status on it.
    void Activate(CHostSession* session);
    // Leaves the current session for the host (the default host when it cannot be reached).
    void MoveTo(const std::string& host);
    void Enqueue(std::vector<std::uint8_t> message);
    std::optional<std::string> TakeUrl();
    void WriteOtherHostRecord(CHostSession* session);
    std::string HostOf(CHostSession* session);

    CHostSessionList* m_registry = nullptr;
    UTKTools::CRecursiveMutex m_queueLock;
    std::deque<std::vector<std::uint8_t>> m_queue;          // under m_queueLock
    std::vector<std::unique_ptr<CHostSession>> m_sessions;  // under m_queueLock
    std::atomic<CHostSession*> m_current{nullptr};
    std::atomic<int> m_lastError{0};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_printerReady{false};
    std::atomic<bool> m_autoBid{true};
    std::string m_lniata;  // under m_queueLock; stays put once read
    std::string m_lidText = "000000";
};

}  // namespace quildrv
