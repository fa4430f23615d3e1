// The QUIL2SP session's way into the Session library: a library session (CSessionBase)
// that keeps the library's per-session values in the session file (an ini file with one
// section per session), answers the driver's configuration questions from its owner's
// configuration (the route) and the global key of the provider, sends the library's log
// lines to the provider's logger, and hands the library's event callbacks, which arrive on
// the library's threads, to one worker thread that drives the owner one event at a time.
//
// The session file: the value "SESSFILE" of HKEY_LOCAL_MACHINE "SOFTWARE\The TREVO
// Group\Common TREVO API\Service Providers\QUIL2\Global", else session.txt in the Windows
// folder of the machine root; created readable and writable by every account.
//
// Threads: the library calls the callbacks on its own threads; the owner calls Connect,
// Send, Receive and Disconnect on its caller's thread. The destructor ends the worker and
// must not run on it. Lock order: the owner's session lock, the context lock and the event
// lock are leaves; none is held while calling out.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Thread.h"
#include "quil2sp/AdapterOwner.h"
#include "quil2sp/WorkerEvents.h"
#include "quilsp/Log.h"
#include "session/SessionBase.h"

namespace QUIL2SessionNS {

inline constexpr const char* kGlobalKey =
    "SOFTWARE\\The TREVO Group\\Common TREVO API\\Service Providers\\QUIL2\\Global";

class QUIL2Session : public SessionNS::CSessionBase {
public:
    explicit QUIL2Session(IAdapterOwner* owner);
    ~QUIL2Session() override;

    void SetLogger(quilsp::Log log);
    // Starts the worker (once).
    void StartWorker();
    // The library's disconnect asked for by the owner has returned: the worker reports it to
    // the owner as it reports a disconnect of the library's own.
    void ReportDisconnected();

    // The section of this session in the session file.
    std::string SectionName() const;
    // The session file's full path, looked up anew (and the file created when missing).
    std::string SessionFileName();
    // The session's stable identity (the section of a pooled terminal address).
    std::uint32_t Identity() const noexcept { return m_identity; }
    std::string SessionContext() const;
    bool WorkerRunning() const noexcept { return m_worker.Started() && !m_workerDone.load(); }

    using CSessionBase::OnGetCfgInfo;
    using CSessionBase::OnGetSessionData;
    using CSessionBase::OnStoreCfgInfo;
    using CSessionBase::OnStoreSessionChanges;

    // Slots 0-9 (the library's callbacks).
    void OnReceive(int value) override;
    void OnHostAvailable(bool available) override;
    void OnConnect(int error) override;
    void OnDisconnect(int error) override;
    void OnHostAddress(char* address, bool available) override;
    void OnStoreSessionChanges(const char* key, const char* data, unsigned int length) override;
    void OnURLNotification(char* text, int value) override;
    void OnGetSessionData(const char* key, char* data, unsigned int* size) override;
    bool OnGetCfgInfo(const char* section, const char* key, char* data,
                      unsigned int* size) override;
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length) override;

protected:
    // Slots 10-17.
    void OnLogDbgData(unsigned char* data, int length) override;
    void OnLogEBCDICData(unsigned char* data, int length) override;
    void OnLogASCIIData(unsigned char* data, int length) override;
    void OnLogVA(EPRIORITY priority, const char* where, const char* format, va_list args) override
        __attribute__((format(printf, 4, 0)));
    void OnLogEBCDIC(EPRIORITY priority, const char* where, unsigned long length,
                     unsigned char* data) override;
    void OnLogASCII(EPRIORITY priority, const char* where, unsigned long length,
                    unsigned char* data) override;
    char* SetLocalContext(char* buffer, unsigned int size, const char* text) override;
    void UpdateContext() override;

    // Slots 40-53.
    int GetConfigFileName(UTKString::CString& name) override;
    void ClearEntryFromSessionFile(const char* section, const char* file) override;
    void Log(EPRIORITY priority, const char* where, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    void LogEBCDIC(EPRIORITY priority, const char* where, unsigned long length,
                   const unsigned char* data) override;
    void LogASCII(EPRIORITY priority, const char* where, unsigned long length,
                  const unsigned char* data) override;
    const char* BuildLocalContext(char* buffer, unsigned int size, const char* text) override;
    void ResetSessionContext() override;

private:
    void ThreadProc();
    void Act(const WorkerEvent& event);
    quilsp::Log Logger() const;
    // Reads a text value of the global key (all access, read access after a refusal).
    bool ReadGlobal(const char* name, std::string& value);
    // Makes a missing session file, readable and writable by every account whatever the
    // umask says; a file that is there keeps its mode.
    void CreateSessionFile(const std::string& name);
    void SetContext(std::string text);

    WorkerEvents m_events;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_workerDone{false};
    mutable std::mutex m_contextLock;
    std::string m_context = "NOT SET";
    mutable std::mutex m_logLock;
    quilsp::Log m_log;
    std::mutex m_fileLock;
    std::string m_sessionFileName;  // the last one found
    std::atomic<IAdapterOwner*> m_owner;
    std::atomic<int> m_terminating{0};
    const std::uint32_t m_identity;
    platform::Thread m_worker{"QUIL2Session"};
};

}  // namespace QUIL2SessionNS
