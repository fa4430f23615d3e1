// The provider object over QUIL2SP's sessions, with the library's reports injected where the
// library would make them (on a thread of its own).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "notify/Notify.h"
#include "quil2sp/ProviderLock.h"
#include "quil2sp/Session.h"
#include "quilhost/QuilHost.h"
#include "quilsp/SPImp.h"
#include "support/EndpointMap.h"
#include "support/TempRoot.h"

namespace {

using namespace quilsp;
using support::EndpointMap;
using namespace std::chrono_literals;

class Creator final : public IProviderCallbacks {
public:
    void OnReceive(int e) override { Add("receive " + std::to_string(e)); }
    void OnSend(int e) override { Add("send " + std::to_string(e)); }
    void OnConnect(int e) override { Add("connect " + std::to_string(e)); }
    void OnDisconnect(int e) override { Add("disconnect " + std::to_string(e)); }
    void OnResource(std::string r, int n) override { Add("resource " + r + std::to_string(n)); }

    bool WaitFor(const std::string& event) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, 10s, [&] {
            return std::find(m_events.begin(), m_events.end(), event) != m_events.end();
        });
    }

private:
    void Add(std::string event) {
        std::lock_guard guard(m_lock);
        m_events.push_back(std::move(event));
        m_changed.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
};

// A disconnect the library reports reaches the creator, on terminal and printer routes.
TEST(Quil2Provider, LibraryDisconnectReachesTheCreator) {
    for (const char* device : {"TERMINAL", "PRINTER"}) {
        SCOPED_TRACE(device);
        support::TempRoot root;
        quilhost::QuilHost host;
        ASSERT_TRUE(host.Start());
        const EndpointMap map(host.Port());
        BRXConfig cfg;
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Device", device);
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "Remote IP Address", "127.0.0.1");
        (void)cfg.SetValue(BRXConfig::kRoutesKey, "R1", "LNIATA", "1A2B01");
        Creator creator;
        std::optional<spimp> provider;
        CSession* session = nullptr;
        {
            const ProviderLock::Guard guard;
            provider.emplace(creator);
            EXPECT_EQ(provider->Connect("R1", "END1"), 0);
            session = provider->ActiveSession();
        }
        if (session == nullptr) {
            std::fprintf(stderr, "%s\n", Notify::ReadLog().c_str());
        }
        ASSERT_NE(session, nullptr);
        std::thread library([&] { session->Adapter().OnDisconnect(1003); });
        library.join();
        EXPECT_TRUE(creator.WaitFor("disconnect 1003"));
        const ProviderLock::Guard guard;
        provider.reset();
    }
}

}  // namespace
