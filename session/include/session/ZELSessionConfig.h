// SessionNS::CZELSessionConfig: the session configuration of the ZEL family: the
// gateway's address and port.
#pragma once

#include "session/SessionConfigBase.h"

namespace SessionNS {

class SESSION_API CZELSessionConfig : public CSessionConfigBase {
public:
    explicit CZELSessionConfig(const char* routeName) : CSessionConfigBase(ZEL, routeName) {}
    explicit CZELSessionConfig(CStream& record);
    CZELSessionConfig(const CZELSessionConfig& other) = default;
    CZELSessionConfig& operator=(const CZELSessionConfig& other);
    ~CZELSessionConfig() override;

    void SetHostAddress(const char* address) { SetHost(address); }
    const char* GetHostAddress() const { return GetHost(); }
    using CSessionConfigBase::GetPort;
    using CSessionConfigBase::SetPortA;

    const char* GetString(const char* key) override;
    void SetString(const char* key, const char* value, int length) override;
    CStream Serialize() override;
    void Deserialize(CStream& record) override;
    void Fill(UTKTools::CConfigFileAdapter& adapter) override;
    void Override(CSessionConfigBase& other) override { OverrideBase(other); }
    void ForceOverrides() override { ForceOverridesBase(); }
};

}  // namespace SessionNS
