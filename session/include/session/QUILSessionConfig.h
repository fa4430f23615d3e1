// SessionNS::CQUILSessionConfig: the session configuration of the QUIL family: host and
// port, terminal pool, directory look-up, keep-alive, time-outs, debugging options and the
// driver's socket logging threshold. Its keys are the names under which the QUIL driver
// asks for its settings.
#pragma once

#include "session/SessionConfigBase.h"

namespace SessionNS {

class SESSION_API CQUILSessionConfig : public CSessionConfigBase {
public:
    explicit CQUILSessionConfig(const char* routeName) : CSessionConfigBase(QUIL, routeName) {}
    explicit CQUILSessionConfig(CStream& record);
    CQUILSessionConfig(const CQUILSessionConfig& other) = default;
    CQUILSessionConfig& operator=(const CQUILSessionConfig& other);
    ~CQUILSessionConfig() override;

    void SetDefaultHost(const char* host) { SetHost(host); }
    const char* GetDefaultHost() const { return GetHost(); }
    void SetHostPort(unsigned port) { SetPortA(port); }
    using CSessionConfigBase::GetPort;
    using CSessionConfigBase::SetPortA;

#define QUIL_BOOL(Name, Key)      \
    void Set##Name(bool on) {     \
        _SetValue(Key, on, true); \
    }                             \
    bool Get##Name() const {      \
        return _GetBool(Key);     \
    }
#define QUIL_UINT(Name, Key)         \
    void Set##Name(unsigned value) { \
        _SetValue(Key, value, true); \
    }                                \
    unsigned Get##Name() const {     \
        return _GetUINT(Key);        \
    }
#define QUIL_TEXT(Name, Key)           \
    void Set##Name(const char* text) { \
        _SetValue(Key, text, true);    \
    }                                  \
    const char* Get##Name() const {    \
        return _GetString(Key);        \
    }

    QUIL_BOOL(AutoBid, "AUTOBID")
    QUIL_BOOL(DebugOption, "DEBUG")
    QUIL_BOOL(EndToEndOption, "ENDTOENDLOGGING")
    QUIL_BOOL(NoLDAP, "NOLDAP")
    QUIL_BOOL(KeepAlive, "KEEPALIVE")
    QUIL_UINT(LDAPConnectTimeout, "LDAPCONNECTTIMEOUT")
    QUIL_UINT(SegmentOverride, "SEGMENTOVERRIDE")
    QUIL_UINT(IdleTimeout, "IDLETIMEOUT")
    QUIL_TEXT(PoolType, "POOLTYPE")
    QUIL_TEXT(PoolName, "POOLNAME")
    QUIL_TEXT(BasePCC, "BASEPCC")
    QUIL_TEXT(BranchPCC, "BRANCHPCC")
    QUIL_TEXT(LDAPAddr, "LDAPADDR")
    QUIL_UINT(LDAPPort, "LDAPPORT")
    QUIL_TEXT(CityCode, "CITYCODE")
    QUIL_TEXT(Partition, "PARTITION")
    QUIL_TEXT(KeyName, "KEYNAME")
    QUIL_TEXT(DevType, "DEVTYPE")
    QUIL_BOOL(ThinClient, "THINCLIENT")
    QUIL_BOOL(DeveloperSet, "DEVSET")
    QUIL_TEXT(HostInfo, "HOSTINFO")
    QUIL_TEXT(CN, "CN")
    QUIL_TEXT(OU, "OU")
    QUIL_TEXT(O, "O")
    QUIL_BOOL(SvrSocketInsurance, "SVRSOCKETINSURANCE")
    QUIL_UINT(InsuranceInterval, "INSURANCEINTERVAL")

#undef QUIL_BOOL
#undef QUIL_UINT
#undef QUIL_TEXT

    // Stored as "TRUE"/"FALSE"; read back true for "TRUE" in any case.
    void SetDefaultConxVerify(bool on);
    bool GetDefaultConxVerify() const;
    void SetSocketLoggingThreshold(EPRIORITY priority) {
        _SetValue("SOCKETLOGGINGTHRESHOLD", priority, true);
    }
    EPRIORITY GetSocketLoggingThreshold() const {
        return _GetPriority("SOCKETLOGGINGTHRESHOLD");
    }
    const char* GetSocketLoggingThresholdString() const {
        return _GetString("SOCKETLOGGINGTHRESHOLD");
    }

    const char* GetString(const char* key) override;
    void SetString(const char* key, const char* value, int length) override;
    CStream Serialize() override;
    void Deserialize(CStream& record) override;
    void Fill(UTKTools::CConfigFileAdapter& adapter) override;
    void Override(CSessionConfigBase& other) override {
        OverrideBase(other);
    }
    void ForceOverrides() override {
        ForceOverridesBase();
    }
};

}  // namespace SessionNS
