// SessionNS::CARLOSessionState: the run-time state of an ARLO session: the front end that
// serves it, the port and the LNIATA.
#pragma once

#include "session/SessionStateBase.h"

namespace SessionNS {

class SESSION_API CARLOSessionState : public CSessionStateBase {
public:
    CARLOSessionState() : CSessionStateBase(ARLO) {}
    explicit CARLOSessionState(CStream& record);
    CARLOSessionState(const CARLOSessionState& other) = default;
    CARLOSessionState& operator=(const CARLOSessionState& other);
    ~CARLOSessionState() override;

    void SetARLOName(const char* name) { _SetValue("ARLO", name, true); }
    const char* GetARLOName() const { return _GetValue("ARLO").GetString(); }
    void SetPortA(unsigned port) { _SetValue("PORTBASE", port, true); }

    void Fill(CSessionConfigBase& config) override;
    void Override(CSessionStateBase& other) override { OverrideBase(other); }
    void ForceOverrides() override { ForceOverridesBase(); }
    void Erase() override { EraseBase(); }
    CStream Serialize() override;
    void Deserialize(CStream& record) override;
    const char* GetHostName() const override { return GetARLOName(); }
    unsigned GetPort() const override { return _GetValue("PORTBASE").GetUINT(); }
    void SetLNIATA(const char* lniata) override { _SetValue("LNIATA", lniata, true); }
    const char* GetLNIATA() const override { return _GetValue("LNIATA").GetString(); }
    void SetString(const char* key, const char* value, int length) override;
    const char* GetString(const char* key) override;

protected:
    void ConfirmConfigProtocol(CSessionConfigBase& config) const override;
};

}  // namespace SessionNS
