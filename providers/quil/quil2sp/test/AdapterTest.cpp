// The Session-library adapter over a scripted owner: the worker's order, the session file,
// the configuration answers and the connect-result table.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "brxapicfg/BRXConfig.h"
#include "quil2sp/ConnectResult.h"
#include "quil2sp/QUIL2Session.h"
#include "support/TempRoot.h"

namespace {

using namespace QUIL2SessionNS;
using namespace std::chrono_literals;

// Records what the adapter's worker asks of it; a gate holds the worker in its first call.
class ScriptedOwner final : public IAdapterOwner {
public:
    void ProcessReceive(int value, const std::atomic<bool>&) override {
        Record("receive " + std::to_string(value));
    }
    void CompleteConnect(int brxError, const std::atomic<bool>&) override {
        Record("connect " + std::to_string(brxError));
    }
    void FireResource(const std::atomic<bool>&) override { Record("resource " + Rid()); }
    void FireDisconnect(int error, const std::atomic<bool>&) override {
        Record("disconnect " + std::to_string(error));
    }
    std::string Rid() const override {
        std::lock_guard guard(m_lock);
        return m_rid;
    }
    void SetRid(const std::string& rid) override {
        std::lock_guard guard(m_lock);
        m_rid = rid;
    }
    std::string RouteName() const override { return "R1"; }
    std::string ConfigLniata() const override {
        std::lock_guard guard(m_lock);
        return m_lniata;
    }
    std::string ConfigValue(const char* key) const override {
        return std::string(key) == "DEVTYPE" ? "TERMINAL" : "";
    }
    void SetConfigValue(const char* key, const char* value) override {
        Record(std::string("set ") + key + "=" + value);
    }
    std::string StateValue(const char*) const override { return ""; }

    void SetLniata(std::string lniata) {
        std::lock_guard guard(m_lock);
        m_lniata = std::move(lniata);
    }
    // The worker waits in its first report until Open.
    void Hold() { m_held = true; }
    void Open() {
        {
            std::lock_guard guard(m_lock);
            m_held = false;
        }
        m_changed.notify_all();
    }
    // Until the worker waits in a report.
    bool WaitUntilHeld() {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, 10s, [&] { return m_waiting > 0; });
    }
    bool WaitFor(std::size_t count) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, 10s, [&] { return m_events.size() >= count; });
    }
    std::vector<std::string> Events() const {
        std::lock_guard guard(m_lock);
        return m_events;
    }

private:
    void Record(std::string event) {
        std::unique_lock guard(m_lock);
        ++m_waiting;
        m_changed.notify_all();
        m_changed.wait_for(guard, 10s, [&] { return !m_held; });
        --m_waiting;
        m_events.push_back(std::move(event));
        m_changed.notify_all();
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::string m_rid = "1A2B01";
    std::string m_lniata = "1A2B01";
    bool m_held = false;
    int m_waiting = 0;
};

class AdapterTest : public support::TempRootTest {
protected:
    ScriptedOwner owner;
};

// The process's file-creation mask for a scope.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_previous;
};

// The permission bits of a file (0 when it is missing).
mode_t ModeOf(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(ConnectResult, MapsEveryLibraryResultToOneProviderCode) {
    const std::vector<std::pair<std::vector<int>, int>> table = {
        {{0, 1026, 1027}, 0},
        {{1001, 1006, 1008, 1009, 1024}, 1007},
        {{1002, 1029}, 1037},
        {{1003}, 1009},
        {{1004, 1005}, 1003},
        {{1011, 1012}, 1017},
        {{1013, 1014}, 1015},
        {{1016, 1045}, 1013},
        {{1017}, 1016},
        {{1021}, 1005},
        {{1022}, 1001},
        {{1023, 1031}, 1010},
        {{1025}, 1027},
        {{1032, 1033}, 1029},
        {{1034, 1039, 1044}, 1030},
        {{-1, 1, 1007, 1010, 1015, 1018, 1019, 1020, 1028, 1030, 1046, 99999}, 1012},
    };
    for (const auto& [results, code] : table)
        for (int result : results) EXPECT_EQ(MapConnectResult(result), code) << result;
}

// Announcements that come before the worker runs are all handled, in their order: none is
// lost to a cap and no value overwrites another.
TEST_F(AdapterTest, BurstsBeforeTheWorkerRunsAreHandledInOrder) {
    QUIL2Session adapter(&owner);
    owner.Hold();
    adapter.StartWorker();
    adapter.OnConnect(5);  // the worker waits in this one while the rest arrive
    ASSERT_TRUE(owner.WaitUntilHeld());
    for (int i = 0; i < 250; ++i) adapter.OnReceive(0);
    adapter.OnConnect(0);
    adapter.OnConnect(1001);
    adapter.OnDisconnect(1003);
    owner.Open();
    ASSERT_TRUE(owner.WaitFor(255));
    const std::vector<std::string> events = owner.Events();
    EXPECT_EQ(events[0], "connect 1012");
    EXPECT_EQ(std::count(events.begin(), events.end(), "receive 0"), 250);
    // Receives come first (lowest index), then the connects in their order.
    EXPECT_EQ(std::vector<std::string>(events.begin() + 251, events.end()),
              (std::vector<std::string>{"connect 0", "resource 1A2B01", "connect 1007",
                                        "disconnect 1003"}));
}

TEST_F(AdapterTest, HostAddressBecomesTheRidUnlessItAsksForAPooledOne) {
    QUIL2Session adapter(&owner);
    adapter.StartWorker();
    char pooled[] = "000000";
    adapter.OnHostAddress(pooled, true);
    char address[] = "1a2b03";
    adapter.OnHostAddress(address, true);
    ASSERT_TRUE(owner.WaitFor(1));
    EXPECT_EQ(owner.Events(), std::vector<std::string>{"resource 1A2B03"});
    EXPECT_EQ(owner.Rid(), "1A2B03");
}

TEST_F(AdapterTest, DestroyingAnIdleAdapterEndsItsWorkerAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    {
        QUIL2Session adapter(&owner);
        adapter.StartWorker();
        EXPECT_TRUE(adapter.WorkerRunning());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

// The session file: one section per session, by its terminal address or, for a pooled
// address, by the session's identity; created empty where no name is configured.
TEST_F(AdapterTest, SessionFileKeepsValuesInTheSessionsSection) {
    QUIL2Session adapter(&owner);
    const std::string file = adapter.SessionFileName();
    EXPECT_EQ(file, (root / "windows/session.txt").string());
    EXPECT_EQ(root.ReadFile("windows/session.txt"), std::string());
    EXPECT_EQ(adapter.SectionName(), "1A2B01");

    adapter.OnStoreSessionChanges("ACTIVEHOST", "HOSTA", 5u);
    adapter.OnStoreSessionChanges("RID", "1A2B07", 6u);
    EXPECT_EQ(owner.Rid(), "1A2B07");
    EXPECT_EQ(root.ReadFile("windows/session.txt"), "[1A2B01]\nACTIVEHOST=HOSTA\nRID=1A2B07\n");

    struct Case {
        const char* key;
        unsigned int size;
        std::string text;
        unsigned int length;
    };
    for (const Case& c : {Case{"ACTIVEHOST", 32, "HOSTA", 5}, Case{"ACTIVEHOST", 3, "HO", 2},
                          Case{"ACTIVEHOST", 1, "", 0}, Case{"MISSING", 32, "", 0}}) {
        char data[32] = "junk";
        unsigned int size = c.size;
        adapter.OnGetSessionData(c.key, data, &size);
        EXPECT_EQ(std::string(data), c.text) << c.key << " " << c.size;
        EXPECT_EQ(size, c.length) << c.key << " " << c.size;
    }
    unsigned int zero = 0;
    char untouched[4] = "abc";
    adapter.OnGetSessionData("ACTIVEHOST", untouched, &zero);
    EXPECT_EQ(std::string(untouched), "abc");

    owner.SetLniata("000000");
    char expected[16];
    std::snprintf(expected, sizeof expected, "0X%08X", adapter.Identity());
    EXPECT_EQ(adapter.SectionName(), expected);
    QUIL2Session other(&owner);
    EXPECT_NE(other.SectionName(), adapter.SectionName());

    // A configured file is used instead, and made when missing.
    BRXConfig cfg;
    const std::string named = (root / "sessions.ini").string();
    ASSERT_EQ(cfg.SetValue(BRXConfig::kProvidersKey, "QUIL2\\Global", "SESSFILE", named), 0);
    EXPECT_EQ(adapter.SessionFileName(), named);
    EXPECT_TRUE(std::filesystem::exists(named));
}

// Every account writes the session file: it is made so whatever the umask says, and stays
// so as values are written to it. A configured name without a folder is made where the ini
// engine looks for it; a file that is there already keeps its own mode.
TEST_F(AdapterTest, SessionFileIsMadeWritableByEveryAccount) {
    const UmaskScope restrictive(077);
    QUIL2Session adapter(&owner);
    EXPECT_EQ(adapter.SessionFileName(), (root / "windows/session.txt").string());
    EXPECT_EQ(ModeOf(root / "windows/session.txt"), 0666u);
    adapter.OnStoreSessionChanges("ACTIVEHOST", "HOSTA", 5u);
    EXPECT_EQ(root.ReadFile("windows/session.txt"), "[1A2B01]\nACTIVEHOST=HOSTA\n");
    EXPECT_EQ(ModeOf(root / "windows/session.txt"), 0666u);

    BRXConfig cfg;
    ASSERT_EQ(cfg.SetValue(BRXConfig::kProvidersKey, "QUIL2\\Global", "SESSFILE", "quil2.ini"), 0);
    adapter.OnStoreSessionChanges("ACTIVEHOST", "HOSTB", 5u);
    EXPECT_EQ(ModeOf(root / "windows/quil2.ini"), 0666u);
    EXPECT_EQ(root.ReadFile("windows/quil2.ini"), "[1A2B01]\nACTIVEHOST=HOSTB\n");

    const std::filesystem::path kept = root / "kept.ini";
    root.WriteFile("kept.ini", "");
    std::filesystem::permissions(kept, std::filesystem::perms(0640));
    ASSERT_EQ(cfg.SetValue(BRXConfig::kProvidersKey, "QUIL2\\Global", "SESSFILE", kept.string()),
              0);
    EXPECT_EQ(adapter.SessionFileName(), kept.string());
    EXPECT_EQ(ModeOf(kept), 0640u);
}

TEST_F(AdapterTest, ConfigurationComesFromTheRouteAndTheGlobalKey) {
    QUIL2Session adapter(&owner);
    const auto ask = [&](const char* section, const char* key) {
        char data[64] = "junk";
        unsigned int size = sizeof data;
        if (!adapter.OnGetCfgInfo(section, key, data, &size)) return std::string("refused");
        return std::string(data, size);
    };
    EXPECT_EQ(ask(nullptr, "DEVTYPE"), "TERMINAL");
    EXPECT_EQ(ask("r1", "DEVTYPE"), "TERMINAL");
    EXPECT_EQ(ask("OTHER", "DEVTYPE"), "");
    EXPECT_EQ(ask("GLOBAL", "LDAPADDR"), "");
    EXPECT_EQ(ask(nullptr, nullptr), "refused");

    EXPECT_TRUE(adapter.OnStoreCfgInfo("global", "LDAPADDR", "ldap.example", 12u));
    BRXConfig cfg;
    std::string stored;
    ASSERT_EQ(cfg.GetValue(BRXConfig::kProvidersKey, "QUIL2\\Global", "LDAPADDR", &stored), 0);
    EXPECT_EQ(stored, "ldap.example");
    EXPECT_EQ(ask("GLOBAL", "LDAPADDR"), "ldap.example");

    EXPECT_TRUE(adapter.OnStoreCfgInfo(nullptr, "PORT", "30031", 5u));
    EXPECT_TRUE(adapter.OnStoreCfgInfo("OTHER", "PORT", "1", 1u));
    EXPECT_FALSE(adapter.OnStoreCfgInfo(nullptr, nullptr, "1", 1u));
    EXPECT_EQ(owner.Events(), std::vector<std::string>{"set PORT=30031"});
}

}  // namespace
