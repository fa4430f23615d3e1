// The two faces of a front end, the object that holds everything that depends on the kind of
// device a driver object serves (terminal or printer): CMFEInt is what the driver object calls,
// CMFECallback what the host sessions and the host socket call back. One object implements
// both; CMFEBase carries the code both kinds of front end share. The order of the virtual
// operations is fixed: front ends are called by position.
//
// A front end is made through one maker keyed by the route's DEVTYPE value ("TERMINAL",
// "PRINTER"); each kind registers its maker once (RegisterFrontEndMaker).
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "session/DriverAbi.h"

namespace quildrv {

class CHostDrvInt;
class CHostSession;

class CMFEInt {
public:
    virtual ~CMFEInt();
    virtual const char* GetSessionData() = 0;
    virtual bool IsHostAvailable() = 0;
    virtual bool IsConnected() = 0;
    // Nonzero (and no driver object kept) for a pointer that cannot be read.
    virtual int SetHostDrvInterface(CHostDrvInt* driver) = 0;
    virtual int BeginSession() = 0;
    virtual int EndSession() = 0;
    virtual int SendToHost(const unsigned char* data, unsigned int length) = 0;
    // One queued host message in a malloc'ed block the caller frees.
    virtual int RecvFromHost(unsigned char** data, unsigned int* length) = 0;
    virtual const char* GetLNIATA() = 0;
    virtual int SetAccumulateMsg(bool accumulate) = 0;
    virtual bool SetDrvOptions(int option, int value) = 0;
    virtual bool Init() = 0;
    virtual int AddBufferToChain(const unsigned char* data, unsigned int length) = 0;
    virtual int BackGroundConnect(unsigned char* host) = 0;
    virtual void WorkHostQueue() = 0;
    virtual QUILOptionsState* GetElementState(int element, QUILOptionsState* state) = 0;
    virtual bool SetElementState(int element, void* data) = 0;
};

class CMFECallback {
public:
    virtual ~CMFECallback();
    // A complete host message: the 3 RID bytes and the message, in a malloc'ed block that the
    // front end now owns.
    virtual void OnHostData(unsigned char* data, unsigned int length, CHostSession* session) = 0;
    virtual void OnDisconnect(int code) = 0;
    virtual void OnSysUnavail(bool available) = 0;
    virtual void OnConnect(int code, bool flag) = 0;
    virtual void OnReceive(int code) = 0;
    virtual void OnResource(const char* lniata) = 0;
    virtual void OnURLAddress(const unsigned char* data, unsigned int length) = 0;
    // A value the session wants kept for it (ACTIVEHOST, STATE, LID, RID, REMOVE, ...).
    virtual void OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                                       CHostSession* session) = 0;
    virtual bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                              unsigned int* length) = 0;
    virtual bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                unsigned int length) = 0;
    virtual void SetHostState(int state, const char* host) = 0;
    // 5 when the host has no cluster record.
    virtual int GetHostState(const char* host) = 0;
    virtual bool GetAccumulateMsg() = 0;
    virtual bool IsOptionSet() { return false; }
    // A malloc'ed copy the caller frees, or null.
    virtual char* GetActiveHost() = 0;
    virtual const char* GetDefaultHost() = 0;
    virtual int GetPort() = 0;
    virtual int GetHostSessionState(const char* host, CHostSession* session) = 0;
    virtual bool GetSegmentOverride() = 0;
    virtual std::uint32_t GetLID(const char* host) = 0;
    virtual bool GetEndToEndLogging() = 0;
    virtual bool GetDebug() = 0;
    virtual const char* GetConfiguredLNIATA() = 0;
    virtual const char* GetPoolType() = 0;
    virtual const char* GetPoolName() = 0;
    virtual const char* GetKeyName() = 0;
    virtual const char* GetBasePCC() = 0;
    virtual const char* GetBranchPCC() = 0;
    virtual const char* GetCityCode() = 0;
    virtual const char* GetPartition() = 0;
    virtual bool GetKeepAlive() = 0;
    // A malloc'ed 3-byte RID the caller frees, or null.
    virtual unsigned char* GetRID(const char* host) = 0;
    virtual bool OnHandleError(CHostSession* session, const unsigned char* data,
                               unsigned int length) = 0;
    virtual bool RestartSession(CHostSession* session) = 0;
    virtual void Log(EPRIORITY priority, const char* context, const char* format, ...)
        __attribute__((format(printf, 4, 5))) = 0;
    virtual void LogVA(EPRIORITY priority, const char* context, const char* format, va_list args)
        __attribute__((format(printf, 4, 0))) = 0;
    virtual void LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                           const unsigned char* data) = 0;
    virtual void LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                          const unsigned char* data) = 0;
    virtual char* SetLocalContext(char* buffer, unsigned int size, const char* method) = 0;
    virtual CHostDrvInt* GetHostDrvInterface() = 0;
    // The terminal address text (six hex digits) the front end keeps for its session; the
    // session copies its own in after each begin and whenever the two differ.
    virtual void CopyLniata(const char* text) = 0;
    virtual std::string FrontEndLniata() = 0;
    // Asked by the keep-alive thread for a printer session (port 30051) whose keep-alive went
    // unanswered: true lets its timer go inactive.
    virtual bool AgreesToStopKeepAlive(CHostSession* /*session*/) { return false; }
};

// The code both kinds of front end share: the driver object link, the event forwarders and
// the logging slots.
class CMFEBase : public CMFEInt, public CMFECallback {
public:
    int SetHostDrvInterface(CHostDrvInt* driver) override;
    CHostDrvInt* GetHostDrvInterface() override { return m_pHostDrvInt; }
    void WorkHostQueue() override {}
    int SetAccumulateMsg(bool accumulate) override;
    bool GetAccumulateMsg() override { return m_bAccumulate.load(); }

    void OnDisconnect(int code) override;
    void OnSysUnavail(bool available) override;
    void OnReceive(int code) override;
    void OnResource(const char* lniata) override;
    char* GetActiveHost() override;
    // Begins the session again on the front end's port and sends it a keep-alive; false (true
    // for no session).
    bool RestartSession(CHostSession* session) override;

    void Log(EPRIORITY priority, const char* context, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    void LogVA(EPRIORITY priority, const char* context, const char* format, va_list args) override
        __attribute__((format(printf, 4, 0)));
    void LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                   const unsigned char* data) override;
    void LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                  const unsigned char* data) override;
    char* SetLocalContext(char* buffer, unsigned int size, const char* method) override;
    void CopyLniata(const char* text) override;
    // The route's settings both front ends read the same way, each once.
    const char* GetDefaultHost() override { return CachedText("DEFAULTHOST", 128); }
    bool GetSegmentOverride() override { return CachedNumber("SEGMENTOVERRIDE", 0) != 0; }
    bool GetEndToEndLogging() override { return CachedNumber("ENDTOENDLOGGING", 0) != 0; }
    bool GetDebug() override { return CachedNumber("DEBUG", 0) != 0; }
    const char* GetPoolType() override { return CachedText("POOLTYPE", 32); }
    const char* GetPoolName() override { return CachedText("POOLNAME", 32); }
    const char* GetKeyName() override { return CachedText("KEYNAME", 32); }
    const char* GetBasePCC() override { return CachedText("BASEPCC", 32); }
    const char* GetBranchPCC() override { return CachedText("BRANCHPCC", 32); }
    const char* GetCityCode() override { return CachedText("CITYCODE", 32); }
    const char* GetPartition() override { return CachedText("PARTITION", 32); }
    std::string FrontEndLniata() override;

protected:
    // The class name in the front end's own log contexts ("CTerminalMFE").
    explicit CMFEBase(const char* className) : m_className(className) {}

    // A configuration value through the driver object (section null: the route's own), read
    // into `size` bytes; empty without a driver object.
    std::string Config(const char* section, const char* key, unsigned int size);
    // The route's value, else GLOBAL's.
    std::string RouteOrGlobal(const char* key, unsigned int size);
    // Session data; a text that fills its buffer is read again with a larger one (up to
    // 64 KiB), so lists are never cut.
    std::string SessionValue(const char* key, unsigned int size = 256);
    void StoreSessionValue(const char* key, std::string_view value);
    // A route value read once and kept until ForgetCachedTexts. The text stays valid as long
    // as the front end lives (the session threads hold on to it while a begin forgets it).
    const char* CachedText(const char* key, unsigned int size);
    void ForgetCachedTexts();
    // A route number read once (`absent` when empty or not a number); SetCachedNumber
    // overwrites it.
    int CachedNumber(const char* key, int absent);
    void SetCachedNumber(const char* key, int value);

    // One log line with this front end's context for the method ("SendToHost").
    void Trace(EPRIORITY priority, const char* method, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    // A LID for a host that has none stored: from the LNIATA and the computer name for a thin
    // client (THINCLIENT "1" in GLOBAL), else random.
    std::uint32_t NewLid(const char* lniata);

    const char* ClassName() const noexcept { return m_className; }

private:
    const char* m_className;
    CHostDrvInt* m_pHostDrvInt = nullptr;
    std::atomic<bool> m_bAccumulate{true};  // read by the socket's receive thread
    std::mutex m_cacheLock;
    std::deque<std::string> m_cachedTexts;              // under m_cacheLock, only grows
    std::map<std::string, const std::string*> m_texts;  // under m_cacheLock
    std::map<std::string, int> m_numbers;               // under m_cacheLock
    std::string m_lniataText;                           // under m_cacheLock
};

// The LID of a thin client: one function of its LNIATA and its computer name (FNV-1a over
// both, with a 0 byte between), the same on every call.
std::uint32_t ThinClientLid(std::string_view lniata, std::string_view computerName);
// The computer name as the driver uses it: the host name cut to 12 characters.
std::string ComputerName();

// The placeholder context of a log line when there is no session to ask for one: the
// placeholder and the method, the method alone when only that fits, else nothing.
char* PlaceholderContext(char* buffer, unsigned int size, const char* method);

// Front ends by DEVTYPE value (compared as it is written).
using FrontEndMaker = std::function<CMFEBase*()>;
void RegisterFrontEndMaker(const std::string& devType, FrontEndMaker maker);
// The driver's own front ends ("TERMINAL", "PRINTER"): in the table from the start; a test that
// registered others puts them back with RegisterBuiltInFrontEnds.
void AddBuiltInFrontEnds(std::map<std::string, FrontEndMaker>& makers);
void RegisterBuiltInFrontEnds();
// Null when no maker is registered for the value or the maker fails.
CMFEBase* MakeFrontEnd(const std::string& devType);

}  // namespace quildrv
