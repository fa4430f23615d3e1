// A front end for tests of the driver's own code: one host session to the route's DEFAULTHOST
// on PORT (30031 when unset), its terminal address from LNIATA and its LID as the host gave it
// (session data "LID") or from "LID" (eight hex digits), keep-alive unless KEEPALIVE is "0". Host
// messages are queued for RecvFromHost and announced with OnReceive(0). Register it for a DEVTYPE
// with RegisterTestFrontEnd.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hostdriver/FrontEnd.h"
#include "hostdriver/HostSession.h"

namespace support {

class TestFrontEnd : public quildrv::CMFEBase {
public:
    TestFrontEnd();
    ~TestFrontEnd() override;

    // The front end made last (for tests that reach its session).
    static TestFrontEnd* Last();
    quildrv::CHostSession* Session() const { return m_session.get(); }
    std::vector<std::vector<std::uint8_t>> Errors() const;
    std::vector<std::vector<std::uint8_t>> Urls() const;

    const char* GetSessionData() override;
    bool IsHostAvailable() override;
    bool IsConnected() override;
    int BeginSession() override;
    int EndSession() override;
    int SendToHost(const unsigned char* data, unsigned int length) override;
    int RecvFromHost(unsigned char** data, unsigned int* length) override;
    const char* GetLNIATA() override;
    bool SetDrvOptions(int option, int value) override;
    bool Init() override;
    int AddBufferToChain(const unsigned char* data, unsigned int length) override;
    int BackGroundConnect(unsigned char* host) override;
    QUILOptionsState* GetElementState(int element, QUILOptionsState* state) override;
    bool SetElementState(int element, void* data) override;

    void OnHostData(unsigned char* data, unsigned int length,
                    quildrv::CHostSession* session) override;
    void OnConnect(int code, bool flag) override;
    void OnURLAddress(const unsigned char* data, unsigned int length) override;
    void OnStoreSessionChanges(const char* key, const char* data, unsigned int length,
                               quildrv::CHostSession* session) override;
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                      unsigned int* length) override;
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length) override;
    void SetHostState(int state, const char* host) override;
    int GetHostState(const char* host) override;
    const char* GetDefaultHost() override;
    int GetPort() override;
    int GetHostSessionState(const char* host, quildrv::CHostSession* session) override;
    bool GetSegmentOverride() override;
    std::uint32_t GetLID(const char* host) override;
    bool GetEndToEndLogging() override;
    bool GetDebug() override;
    const char* GetConfiguredLNIATA() override;
    const char* GetPoolType() override;
    const char* GetPoolName() override;
    const char* GetKeyName() override;
    const char* GetBasePCC() override;
    const char* GetBranchPCC() override;
    const char* GetCityCode() override;
    const char* GetPartition() override;
    bool GetKeepAlive() override;
    unsigned char* GetRID(const char* host) override;
    bool OnHandleError(quildrv::CHostSession* session, const unsigned char* data,
                       unsigned int length) override;
    bool RestartSession(quildrv::CHostSession* session) override;

private:
    const char* Setting(const char* key);

    std::mutex m_mutex;
    std::map<std::string, std::string> m_settings;  // read once each
    std::map<std::string, int> m_hostStates;
    std::deque<std::vector<std::uint8_t>> m_queue;
    std::vector<std::vector<std::uint8_t>> m_errors;
    std::vector<std::vector<std::uint8_t>> m_urls;
    std::unique_ptr<quildrv::CHostSession> m_session;
};

// Makes ConnectToHost build a TestFrontEnd for the DEVTYPE value.
void RegisterTestFrontEnd(const std::string& devType = "TERMINAL");

}  // namespace support
