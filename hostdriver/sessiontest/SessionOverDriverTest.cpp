// The Session library over the real driver module (QUILDRV from the plug-in folder) against
// the host simulator: a terminal session connects, registers, sends and receives.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "quilhost/QuilHost.h"
#include "session/QUILSessionConfig.h"
#include "session/SessionBase.h"
#include "support/TempRoot.h"

namespace {

using namespace SessionNS;

// A session whose route settings and session values are kept in memory.
class ConfiguredSession : public CSessionBase {
public:
    using CSessionBase::OnGetCfgInfo;
    using CSessionBase::OnGetSessionData;
    using CSessionBase::OnStoreCfgInfo;
    using CSessionBase::OnStoreSessionChanges;

    ~ConfiguredSession() override { Terminate(); }

    void SetRoute(const std::string& key, const std::string& value) {
        std::lock_guard lock(m_mutex);
        m_route[key] = value;
    }

    void OnStoreSessionChanges(const char* key, const char* value, unsigned int length) override {
        std::lock_guard lock(m_mutex);
        m_values[key] = value != nullptr ? std::string(value, length) : std::string();
    }
    void OnGetSessionData(const char* key, char* buffer, unsigned int* length) override {
        std::lock_guard lock(m_mutex);
        const auto it = m_values.find(key);
        Answer(it == m_values.end() ? nullptr : &it->second, buffer, length);
    }
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                      unsigned int* length) override {
        std::lock_guard lock(m_mutex);
        const auto it = m_route.find(key);
        const bool route = section == nullptr || std::strcmp(section, "GLOBAL") != 0;
        if (!route || it == m_route.end()) {
            Answer(nullptr, buffer, length);
            return false;
        }
        Answer(&it->second, buffer, length);
        return true;
    }
    bool OnStoreCfgInfo(const char*, const char*, const char*, unsigned int) override {
        return true;
    }

protected:
    void Log(EPRIORITY, const char*, const char*, ...) override {}

private:
    static void Answer(const std::string* value, char* buffer, unsigned int* length) {
        if (buffer == nullptr || length == nullptr || *length == 0) return;
        const std::size_t n =
            value == nullptr ? 0 : std::min<std::size_t>(value->size(), *length - 1);
        if (n > 0) std::memcpy(buffer, value->data(), n);
        buffer[n] = '\0';
        *length = static_cast<unsigned int>(n);
    }

    std::mutex m_mutex;
    std::map<std::string, std::string> m_route;
    std::map<std::string, std::string> m_values;
};

std::string Hex(const CStream& stream) {
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < stream.length(); ++i) {
        std::snprintf(two, sizeof two, "%s%02X", out.empty() ? "" : " ", stream.data()[i]);
        out += two;
    }
    return out;
}

TEST(SessionOverDriverTest, ATerminalSessionConnectsSendsAndReceivesThroughTheHost) {
    support::TempRoot root;
    quilhost::QuilHost host;
    ASSERT_TRUE(host.Start());
    const std::string map = "127.0.0.1:30031=127.0.0.1:" + std::to_string(host.Port()) + ";";
    ::setenv("TREVO_ENDPOINT_MAP", map.c_str(), 1);

    CQUILSessionConfig config{"R1"};
    config.SetLNIATA("1A2B01");
    config.SetDefaultHost("127.0.0.1");
    {
        ConfiguredSession session;
        session.SetRoute("DEVTYPE", "TERMINAL");
        session.SetRoute("DEFAULTHOST", "127.0.0.1");
        session.SetRoute("LNIATA", "1A2B01");
        session.SetRoute("NOLDAP", "1");
        session.SetRoute("HOSTINFO", (root / "HOSTINFO.TXT").string());
        session.Connect(config, nullptr, 5);
        ASSERT_TRUE(host.WaitForSession(1, 5000));

        // The host answers the registration (dropped), then the client's first message.
        ASSERT_TRUE(host.SendData(1, std::vector<std::uint8_t>{0xE1, 0x4E}));
        CRequest request;
        const unsigned char text[] = {0xC1, 0xC2, 0x4E};
        request.data.set(text, sizeof text);
        session.Send(request);
        ASSERT_TRUE(host.WaitFor(
            [](const std::vector<quilhost::HostEvent>& events) {
                for (const auto& e : events)
                    if (e.kind == quilhost::EventKind::Received &&
                        e.record.payload == std::vector<std::uint8_t>{0xC1, 0xC2, 0x4E})
                        return true;
                return false;
            },
            5000));
        ASSERT_TRUE(
            host.SendData(1, std::vector<std::uint8_t>{0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x4E}));
        CResponse response;
        session.Receive(response, 5);
        const std::string got = Hex(response.data);
        EXPECT_EQ(got.substr(got.size() >= 17 ? got.size() - 17 : 0), "C8 C5 D3 D3 D6 4E");
    }
    ::unsetenv("TREVO_ENDPOINT_MAP");
    host.Stop();
}

}  // namespace
