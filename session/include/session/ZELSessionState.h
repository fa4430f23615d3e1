// SessionNS::CZELSessionState: the run-time state of a ZEL session: the gateway's address
// and port and the LNIATA.
#pragma once

#include "session/SessionStateBase.h"

namespace SessionNS {

class SESSION_API CZELSessionState : public CSessionStateBase {
public:
    CZELSessionState() : CSessionStateBase(ZEL) {}
    explicit CZELSessionState(CStream& record);
    CZELSessionState(const CZELSessionState& other) = default;
    CZELSessionState& operator=(const CZELSessionState& other);
    ~CZELSessionState() override;

    void SetHostAddress(const char* address) { _SetValue("HOSTBASE", address, true); }
    const char* GetHostAddress() const { return _GetValue("HOSTBASE").GetString(); }
    void SetPortA(unsigned port) { _SetValue("PORTBASE", port, true); }

    void Fill(CSessionConfigBase& config) override;
    void Override(CSessionStateBase& other) override { OverrideBase(other); }
    void ForceOverrides() override { ForceOverridesBase(); }
    void Erase() override { EraseBase(); }
    CStream Serialize() override;
    void Deserialize(CStream& record) override;
    const char* GetHostName() const override { return GetHostAddress(); }
    unsigned GetPort() const override { return _GetValue("PORTBASE").GetUINT(); }
    void SetLNIATA(const char* lniata) override { _SetValue("LNIATA", lniata, true); }
    const char* GetLNIATA() const override { return _GetValue("LNIATA").GetString(); }
    void SetString(const char* key, const char* value, int length) override;
    const char* GetString(const char* key) override;

protected:
    void ConfirmConfigProtocol(CSessionConfigBase& config) const override;
};

}  // namespace SessionNS
