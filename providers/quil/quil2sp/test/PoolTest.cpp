// The session pool shared by every provider object, the logger registry, and the session's
// timer window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "notify/Notify.h"
#include "platform/EventLoop.h"
#include "quil2sp/LoggerRegistry.h"
#include "quil2sp/Session.h"
#include "quil2sp/SessionPool.h"
#include "quilsp/ProviderCallbacks.h"
#include "quilsp/SPImp.h"
#include "support/TempRoot.h"

namespace {

using namespace quilsp;

class NoOwner final : public ISessionOwner {
public:
    std::vector<std::string> events;
    void OnConnect(int e) override { events.push_back("connect " + std::to_string(e)); }
    void OnReceive(int e, CSession*) override { events.push_back("receive " + std::to_string(e)); }
    void OnSend(int) override {}
    void OnDisconnect(int e, CSession*) override {
        events.push_back("disconnect " + std::to_string(e));
    }
    void OnResource(const std::string&, int) override {}
    bool SegmentOverride() const override { return false; }
};

class NoCreator final : public IProviderCallbacks {
public:
    void OnReceive(int) override {}
    void OnSend(int) override {}
    void OnConnect(int) override {}
    void OnDisconnect(int) override {}
    void OnResource(std::string, int) override {}
};

// Provider objects with one key share its session: a later one takes it up as new while no
// one uses it, and sees the in-use flag once one has connected it. The last release deletes
// every pooled session (the sessions' windows go with them).
TEST(SessionPool, SharedByKeyUntilTheLastUserGoes) {
    support::TempRoot root;
    platform::EventLoop loop;
    NoOwner first, second, third;
    CSessionPool* pool = CSessionPool::AcquirePool();
    ASSERT_EQ(CSessionPool::AcquirePool(), pool);

    CSession* a = nullptr;
    EXPECT_TRUE(pool->FindOrCreateSession(&first, "1A2B01127.0.0.1", true, a));
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->InUse());
    CSession* again = nullptr;
    EXPECT_TRUE(pool->FindOrCreateSession(&third, "1A2B01127.0.0.1", true, again));
    EXPECT_EQ(again, a);
    EXPECT_EQ(a->Owner(), &third);
    a->SetPort(1);
    (void)a->Connect("END1");  // whatever the outcome, it is in use now
    EXPECT_TRUE(a->InUse());
    CSession* b = nullptr;
    EXPECT_FALSE(pool->FindOrCreateSession(&second, "1A2B01127.0.0.1", true, b));
    EXPECT_EQ(b, a);
    EXPECT_TRUE(b->InUse());
    EXPECT_EQ(a->Owner(), &second);
    CSession* c = nullptr;
    EXPECT_TRUE(pool->FindOrCreateSession(&first, "1A2B01127.0.0.2", false, c));
    EXPECT_NE(c, a);
    EXPECT_EQ(pool->Size(), 2u);

    EXPECT_FALSE(pool->RemoveSession("NOSUCHKEY"));
    EXPECT_FALSE(pool->RemoveSession("1a2b01127.0.0.1"));  // keys compare as plain text
    EXPECT_EQ(pool->Size(), 2u);
    EXPECT_TRUE(pool->RemoveSession("1A2B01127.0.0.2"));
    EXPECT_EQ(pool->Size(), 1u);
    CSession* d = nullptr;
    EXPECT_TRUE(pool->FindOrCreateSession(&first, "1A2B01127.0.0.3", false, d));
    ASSERT_NE(d, nullptr);
    const platform::HWND windows[] = {a->WindowHandle(), d->WindowHandle()};

    CSessionPool::ReleasePool();
    EXPECT_EQ(CSessionPool::Instance(), pool);
    for (platform::HWND window : windows)
        EXPECT_TRUE(platform::PostMessage(window, platform::WM_USER, 0, 0));
    CSessionPool::ReleasePool();
    EXPECT_EQ(CSessionPool::Instance(), nullptr);
    for (platform::HWND window : windows)
        EXPECT_FALSE(platform::PostMessage(window, platform::WM_USER, 0, 0));
}

TEST(LoggerRegistry, TheLastProviderObjectFreesEveryLogger) {
    support::TempRoot root;
    NoCreator creator;
    auto first = std::make_unique<spimp>(creator);
    auto second = std::make_unique<spimp>(creator);
    LoggerRegistry::Register(std::make_shared<Notify>("R1"));
    LoggerRegistry::Register(std::make_shared<Notify>("R2"));
    EXPECT_EQ(LoggerRegistry::Size(), 2u);
    first.reset();
    EXPECT_EQ(LoggerRegistry::Size(), 2u);
    second.reset();
    EXPECT_EQ(LoggerRegistry::Size(), 0u);
}

// The session's window turns timers 3-7 into its timer operations; nothing else counts.
TEST(TimerWindow, TimersReachTheSessionsOperations) {
    support::TempRoot root;
    platform::EventLoop loop;
    NoOwner owner;
    CSession session(&owner, CPoolKey("1A2B01", "127.0.0.1"), true);
    session.SetPort(1);
    (void)session.Connect("END1");  // in use, so an overdue keep-alive is reported
    struct Case {
        unsigned timer;
        std::vector<std::string> events;
    };
    for (const Case& c :
         {Case{2, {}}, Case{3, {}}, Case{4, {"receive 1003"}}, Case{5, {"connect 1003"}},
          Case{6, {"disconnect 1030"}}, Case{7, {"disconnect 1030"}}, Case{8, {}}}) {
        owner.events.clear();
        (void)platform::SendMessage(session.WindowHandle(), platform::WM_TIMER, c.timer, 0);
        EXPECT_EQ(owner.events, c.events) << c.timer;
    }
}

}  // namespace
