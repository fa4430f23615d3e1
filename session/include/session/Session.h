// SessionNS::CSession: a session whose configuration comes from an ini file (SESSION.INI,
// or the file SESSION_CFG_FILE names), whose lasting session values go to the session file
// that ini file names, and whose log lines go to the caller's logger, each behind the
// session's context "[number:host:port:LNIATA]". It leaves the driver's four storage
// callbacks to the class that completes it (which may forward them to the same-named
// protected operations here).
//
// The two files are shared by every CSession of the process.
#pragma once

#include <atomic>

#include "session/Context.h"
#include "session/SessionBase.h"
#include "toolkit/ConfigFileAdapter.h"
#include "toolkit/Logger.h"

namespace SessionNS {

class SESSION_API CSession : public CSessionBase {
public:
    // CAPIException 1023 when no configuration file is found.
    explicit CSession(UTKLogger::CLogger& logger);
    ~CSession() override;

    void SetLogger(UTKLogger::CLogger& logger) { m_pLogger = &logger; }

protected:
    using CSessionBase::OnGetCfgInfo;
    using CSessionBase::OnGetSessionData;
    using CSessionBase::OnStoreCfgInfo;
    using CSessionBase::OnStoreSessionChanges;

    void OnLogDbgData(unsigned char* text, int length) override;
    void OnLogEBCDICData(unsigned char* bytes, int length) override;
    void OnLogASCIIData(unsigned char* bytes, int length) override;
    void OnLogVA(EPRIORITY priority, const char* context, const char* format, va_list args) override
        SESSION_PRINTF(4, 0);
    void OnLogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                     unsigned char* bytes) override;
    void OnLogASCII(EPRIORITY priority, const char* context, unsigned long length,
                    unsigned char* bytes) override;
    char* SetLocalContext(char* buffer, unsigned int size, const char* method) override;
    void UpdateContext() override;

    int GetConfigFileName(UTKString::CString& name) override;
    void ReadConfigFileCache() override;
    void RefreshConfigFileCache() override;
    void FillSessionConfigFromConfigFileCache() override;
    void OnStoreSessionChanges(const char* key, const char* value, unsigned long length) override;
    void OnGetSessionData(const char* key, char* buffer, unsigned long* length) override;
    void ClearEntryFromSessionFile(const char* section, const char* file) override;
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                      unsigned long* length) override;
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned long length) override;
    void Log(EPRIORITY priority, const char* context, const char* format, ...) override
        SESSION_PRINTF(4, 5);
    void LogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                   const unsigned char* bytes) override;
    void LogASCII(EPRIORITY priority, const char* context, unsigned long length,
                  const unsigned char* bytes) override;
    const char* BuildLocalContext(char* buffer, unsigned int size, const char* method) override;
    void ResetSessionContext() override;

    static UTKTools::CConfigFileAdapter& ConfigFile();
    static UTKTools::CConfigFileAdapter& SessionFile();

private:
    // The session file's section of this session: its identifier in decimal, else the route.
    UTKString::CString SessionSection();

    std::atomic<UTKLogger::CLogger*> m_pLogger;
    CContext m_Context;
};

}  // namespace SessionNS
