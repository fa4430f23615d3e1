// CHostDrvInt: the driver object, one per session of the Session library. It owns the front
// end (made by ConnectToHost from DEVTYPE), forwards every operation to it with one log line
// and a fixed error code for each way it can fail, and carries the front end's calls back to
// the session's callback interface, including the driver's two logging modes (prioritised:
// the session's own log calls; simple: finished lines and raw dumps).
//
// The object has no lock of its own: the session calls the operations on its threads, the
// callbacks come on the driver's threads.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>

#include "hostdriver/FrontEnd.h"
#include "session/DriverAbi.h"

namespace quildrv {

class CHostDrvInt : public CHostDrvInterface {
public:
    enum DeviceType : std::int32_t { kTerminal = 0, kPrinter = 1 };
    enum LogMode : std::int32_t { kSimple = 0, kPrioritized = 1 };

    explicit CHostDrvInt(CApiBaseInterface* api);
    ~CHostDrvInt() override;
    CHostDrvInt(const CHostDrvInt&) = delete;
    CHostDrvInt& operator=(const CHostDrvInt&) = delete;

    int ConnectToHost() override;
    int DisconnectFromHost() override;
    int SendToHost(const unsigned char* data, unsigned int length) override;
    int RecvFromHost(unsigned char** data, unsigned int* length) override;
    bool IsHostAvailable() override;
    bool IsConnected() override;
    const char* GetHostAddr() override;
    int SetAccumulationMode(bool accumulate) override;
    bool SetDriverOption(int option, int value) override;
    const char* GetDriverSessionInfo() override;
    int EnqueueDataToChain(const unsigned char* data, unsigned int length) override;
    int BackGroundConnect(unsigned char* argument) override;
    void WorkHostQueue() override;
    QUILOptionsState* GetElementState(int element, QUILOptionsState* state) override;
    bool SetElementState(int element, void* data) override;

    virtual void LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                           const unsigned char* data);
    virtual void LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                          const unsigned char* data);
    virtual void Log(EPRIORITY priority, const char* context, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    virtual void LogVA(EPRIORITY priority, const char* context, const char* format, va_list args)
        __attribute__((format(printf, 4, 0)));

    // The way back to the session; each does nothing (or answers false) without one.
    void OnReceive(int code);
    void OnHostAvailable(bool available);
    void OnConnect(int code);
    void OnDisconnect(int code);
    void OnHostAddress(char* text, bool available);
    void OnStoreSessionChanges(const char* key, const char* data, unsigned int length);
    void OnURLNotification(char* text, int value);
    void OnGetSessionData(const char* key, char* buffer, unsigned int* length);
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer, unsigned int* length);
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length);
    char* SetLocalContext(char* buffer, unsigned int size, const char* method);

    LogMode GetLogMode() const noexcept { return m_logMode.load(); }
    DeviceType GetDeviceType() const noexcept { return m_deviceType; }
    CMFEBase* FrontEnd() const noexcept { return m_pMFEInt; }

private:
    CApiBaseInterface* m_pApi = nullptr;
    CMFEBase* m_pMFEInt = nullptr;
    DeviceType m_deviceType = kTerminal;
    std::atomic<LogMode> m_logMode{kPrioritized};  // read by the driver's threads
};

// The letter of a priority in simple-mode lines.
char PriorityLetter(int priority) noexcept;

}  // namespace quildrv
