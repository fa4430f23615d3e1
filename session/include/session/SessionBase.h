// SessionNS::CSessionBase: one session of a client with a reservation host. It owns the
// session's configuration and state, loads the host protocol driver of the session's
// protocol family ("%sDRV.DLL", once per process for all its sessions), creates one driver
// object and drives it, and is at the same time the driver's callback object. It starts no
// thread: callers call in on theirs, the driver calls back on its own. Failures of the
// operations are thrown as CAPIException (a CExceptionBase); nothing thrown leaves a
// callback into the driver.
//
// Lock order: m_TerminateLock, then the driver table's lock, then the session count's lock;
// m_ConfigLock before m_StateLock. No lock is held while the driver is asked to connect,
// send, receive or disconnect, but for the state lock around receive's options refresh.
// m_ConnectOutcomeLock is a leaf.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <mutex>

#include "session/DriverAbi.h"
#include "session/Exceptions.h"
#include "session/Request.h"
#include "session/SessionApi.h"
#include "session/SessionConfigBase.h"
#include "session/SessionStateBase.h"
#include "toolkit/Condition.h"
#include "toolkit/Mutex.h"
#include "toolkit/QorTran.h"
#include "toolkit/Semaphore.h"
#include "toolkit/String.h"

namespace platform {
class DynamicLibrary;
}

namespace SessionNS {

class SESSION_API CSessionBase : public CApiBaseInterface {
public:
    using EEncoding = CSessionStateBase::EEncoding;

    CSessionBase();
    CSessionBase(const CSessionBase&) = delete;
    CSessionBase& operator=(const CSessionBase&) = delete;
    ~CSessionBase() override;

    // Callbacks from the driver (slots 0-4, 6).
    void OnReceive(int rc) override;
    void OnHostAvailable(bool available) override;
    void OnConnect(int rc) override;
    void OnDisconnect(int rc) override;
    void OnHostAddress(char* address, bool available) override;
    void OnURLNotification(char* text, int value) override;
    using CApiBaseInterface::OnGetCfgInfo;
    using CApiBaseInterface::OnGetSessionData;
    using CApiBaseInterface::OnStoreCfgInfo;
    using CApiBaseInterface::OnStoreSessionChanges;

    // Slots 19-39.
    virtual void Connect(CSessionConfigBase& config, CSessionStateBase* state,
                         unsigned int timeoutSeconds);
    virtual void Disconnect();
    virtual void Send(CRequest& request);
    virtual void Receive(CResponse& response, unsigned int timeoutSeconds);
    virtual void Receive(CResponse& response);
    virtual void ClearReceiveQueue();
    virtual int IsHostAvailable();
    virtual int IsHostConnected();
    virtual COMMError GetLastSessionError() { return m_LastError.load(); }
    // The text of a code; -1 gives the text of the last error.
    virtual const char* GetSessionErrorString(int code);
    virtual void SetEncodingMode(EEncoding encoding);
    virtual void SetTranslationMode(int on);
    virtual void AccumulateMsgSegments(int on);
    // The driver's host address (at most 255 characters) in a buffer of this session, valid
    // to the next call; null without a driver.
    virtual char* GetHostSessionAddr();
    virtual int SetHostDriverOption(int option, int value);
    // The driver's session information, kept as GetHostSessionAddr keeps its text.
    virtual char* GetSessionInfo();
    virtual void EnqueueToDriver(CRequest& request);
    virtual void BackGroundConnect(unsigned char* argument);
    virtual void WorkHostQueue();
    virtual void SetSessionID(unsigned long id) { m_SessionID = static_cast<std::uint32_t>(id); }
    virtual unsigned long GetSessionID() { return m_SessionID.load(); }

    // Ends the session's use of the driver; the last session of the process unloads it.
    void Terminate();
    // Copies owned by the session, overwritten by the next call.
    CSessionStateBase* GetState();
    CSessionConfigBase* GetConfiguration();

    static const char* GetSessionErrorName(COMMError code) { return CommErrorName(code); }

protected:
    // Slots 10-17.
    void OnLogDbgData(unsigned char* text, int length) override;
    void OnLogEBCDICData(unsigned char* bytes, int length) override;
    void OnLogASCIIData(unsigned char* bytes, int length) override;
    void OnLogVA(EPRIORITY priority, const char* context, const char* format,
                 va_list args) override;
    void OnLogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                     unsigned char* bytes) override;
    void OnLogASCII(EPRIORITY priority, const char* context, unsigned long length,
                    unsigned char* bytes) override;
    char* SetLocalContext(char* buffer, unsigned int size, const char* method) override;
    void UpdateContext() override;

    // Slots 40-53: the session's own storage and logging back end.
    virtual int GetConfigFileName(UTKString::CString& name);
    virtual void ReadConfigFileCache();
    virtual void RefreshConfigFileCache();
    virtual void FillSessionConfigFromConfigFileCache();
    virtual void OnStoreSessionChanges(const char* key, const char* value, unsigned long length);
    virtual void OnGetSessionData(const char* key, char* buffer, unsigned long* length);
    virtual void ClearEntryFromSessionFile(const char* section, const char* file);
    virtual bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                              unsigned long* length);
    virtual bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                unsigned long length);
    virtual void Log(EPRIORITY priority, const char* context, const char* format, ...)
        SESSION_PRINTF(4, 5);
    virtual void LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                           const unsigned char* bytes);
    virtual void LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                          const unsigned char* bytes);
    virtual const char* BuildLocalContext(char* buffer, unsigned int size, const char* method);
    virtual void ResetSessionContext();

    // Keeps the object in `slot` when its protocol is the model's, else replaces it.
    void GetSessionConfig(CSessionConfigBase** slot, CSessionConfigBase& model);
    void GetSessionState(CSessionStateBase** slot, CSerializable::EProtocol protocol);

    static platform::DynamicLibrary* GetDLLHandle(const char* fileName);
    static void ReleaseDLLHandles();
    static std::uint32_t IncrementSessionCount();
    static COMMError Convert(int code) { return ConvertCommError(code); }
    bool NeedToReconnect() const { return m_NeedToReconnect.load() != 0; }

    UTKTools::CRecursiveMutex m_ConfigLock;
    CSessionConfigBase* m_pConfig = nullptr;
    CSessionConfigBase* m_pConfigSnapshot = nullptr;
    UTKTools::CRecursiveMutex m_StateLock;
    CSessionStateBase* m_pState = nullptr;
    CSessionStateBase* m_pStateSnapshot = nullptr;
    std::uint32_t m_SessionNumber;
    std::atomic<COMMError> m_LastError{COMM_NO_ERROR};
    std::atomic<std::uint32_t> m_SessionID{0};

    // Sets the last error (when asked), logs the text and throws it as CAPIException.
    [[noreturn]] void Fail(const char* context, EPRIORITY priority, COMMError code,
                           bool setLastError, const char* format, ...) SESSION_PRINTF(6, 7);

private:
    void LoadDriver(const char* context);
    // IsHostAvailable and IsHostConnected: the driver's answer as 1 or 0, logged.
    int AskDriver(const char* method, bool (CHostDrvInterface::*question)());
    // The driver's options data into a QUIL state; under m_StateLock.
    void RefreshOptions();
    // LNIATA (and LID) from the driver's session information into the state.
    void TakeSessionInfo(bool withLockId);
    void SendOrEnqueue(CRequest& request, bool enqueue);
    const QorTranNS::CQorTran& Translator(EEncoding encoding, const char* context);

    std::atomic<CHostDrvInterface*> m_pDrvInt{nullptr};
    platform::DynamicLibrary* m_pDrvLibrary = nullptr;  // the library that made m_pDrvInt
    std::atomic<std::uint32_t> m_NeedToReconnect{1};
    UTKTools::CCondition m_ConnectCond;
    UTKTools::CCondition m_ConnectAckCond;
    // OnConnect may come before the driver's ConnectToHost has returned: the connect's own
    // "waiting" must then not overwrite the outcome it reported.
    std::mutex m_ConnectOutcomeLock;
    std::uint32_t m_ConnectReports = 0;  // OnConnect calls so far; under the lock
    QorTranNS::CQorTran m_AsciiTran;
    QorTranNS::CQorTran m_AnsiTran;
    UTKTools::CSemaphore m_RecvSem;
    QorTranNS::CQorTran::SEGMENT_SPAN_STATUS m_SpanStatus = QorTranNS::CQorTran::SPAN_NONE;
    char m_DriverFileName[256] = {};
    char m_HostAddress[256] = {};
    char m_SessionInfo[256] = {};
    std::uint32_t m_Terminated = 0;
    UTKTools::CRecursiveMutex m_TerminateLock;
};

}  // namespace SessionNS
