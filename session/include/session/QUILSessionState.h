// SessionNS::CQUILSessionState: the run-time state of a QUIL session: default and active
// host, port, other hosts, PTR URL list, state character, LNIATA, lock identifier, and the
// driver's options data per host (at most 60 bytes each).
#pragma once

#include <map>

#include "session/SessionStateBase.h"

namespace SessionNS {

class SESSION_API CQUILSessionState : public CSessionStateBase {
public:
    static constexpr unsigned kMaxOptionsData = 60;

    CQUILSessionState() : CSessionStateBase(QUIL) {}
    explicit CQUILSessionState(CStream& record);
    CQUILSessionState(const CQUILSessionState& other);
    CQUILSessionState& operator=(const CQUILSessionState& other);
    ~CQUILSessionState() override;

    void SetDefaultHost(const char* host) { _SetValue("HOSTBASE", host, true); }
    const char* GetDefaultHost() const { return _GetValue("HOSTBASE").GetString(); }
    void SetActiveHost(const char* host) { _SetValue("ACTIVEHOST", host, true); }
    const char* GetActiveHost() const { return _GetValue("ACTIVEHOST").GetString(); }
    void SetPortA(unsigned port) { _SetValue("PORTBASE", port, true); }
    void SetOtherHosts(const char* hosts) { _SetValue("OTHERHOSTS", hosts, true); }
    const char* GetOtherHosts() const { return _GetValue("OTHERHOSTS").GetString(); }
    void SetPTRURLList(const char* list) { _SetValue("PTRURLLIST", list, true); }
    const char* GetPTRURLList() const { return _GetValue("PTRURLLIST").GetString(); }
    void SetState(char state);
    char GetState() const { return _GetValue("STATE").GetString()[0]; }
    void SetLockID(unsigned lockId);
    unsigned GetLockID() const { return ParseHex(_GetValue("LID").GetString()); }
    // Kept for the active host; nothing happens without one.
    void SetOptionsData(const CStream& data);
    CStream GetOptionsData() const;

    void Fill(CSessionConfigBase& config) override;
    void Override(CSessionStateBase& other) override { OverrideBase(other); }
    void ForceOverrides() override { ForceOverridesBase(); }
    void Erase() override;
    CStream Serialize() override;
    void Deserialize(CStream& record) override;
    const char* GetHostName() const override { return GetActiveHost(); }
    unsigned GetPort() const override { return _GetValue("PORTBASE").GetUINT(); }
    void SetLNIATA(const char* lniata) override { _SetValue("LNIATA", lniata, true); }
    const char* GetLNIATA() const override { return _GetValue("LNIATA").GetString(); }
    void SetString(const char* key, const char* value, int length) override;
    const char* GetString(const char* key) override;

protected:
    void ConfirmConfigProtocol(CSessionConfigBase& config) const override;

private:
    std::map<UTKString::CString, CStream> m_OptionsData;
};

}  // namespace SessionNS
