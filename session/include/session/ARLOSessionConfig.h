// SessionNS::CARLOSessionConfig: the session configuration of the ARLO family: two load
// balancers, their port, keep-alive and the pool class asked of the load balancer.
#pragma once

#include "session/SessionConfigBase.h"

namespace SessionNS {

class SESSION_API CARLOSessionConfig : public CSessionConfigBase {
public:
    explicit CARLOSessionConfig(const char* routeName) : CSessionConfigBase(ARLO, routeName) {}
    explicit CARLOSessionConfig(CStream& record);
    CARLOSessionConfig(const CARLOSessionConfig& other) = default;
    CARLOSessionConfig& operator=(const CARLOSessionConfig& other);
    ~CARLOSessionConfig() override;

    void SetLB1(const char* host) { SetHost(host); }
    const char* GetLB1() const { return GetHost(); }
    void SetLB2(const char* host) { _SetValue("LB2", host, true); }
    const char* GetLB2() const { return _GetString("LB2"); }
    void SetLBPort(unsigned port) { SetPortA(port); }
    unsigned GetLBPort() const { return GetPort(); }
    void SetKeepAlive(bool on) { _SetValue("KEEPALIVE", on, true); }
    bool GetKeepAlive() const { return _GetBool("KEEPALIVE"); }
    void SetPoolClass(const char* poolClass) { _SetValue("POOLCLASS", poolClass, true); }
    const char* GetPoolClass() const { return _GetString("POOLCLASS"); }

    const char* GetString(const char* key) override;
    void SetString(const char* key, const char* value, int length) override;
    CStream Serialize() override;
    void Deserialize(CStream& record) override;
    void Fill(UTKTools::CConfigFileAdapter& adapter) override;
    void Override(CSessionConfigBase& other) override { OverrideBase(other); }
    void ForceOverrides() override { ForceOverridesBase(); }
};

}  // namespace SessionNS
