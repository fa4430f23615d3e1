// The QUIL2SP session on its own: what it reads from a library response, and the
// configuration it hands to the library before a connect.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quil2sp/Session.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace {

using namespace quilsp;
using support::FromHex;
using support::ToHex;

class QuietOwner final : public ISessionOwner {
public:
    std::vector<int> receives;
    std::vector<std::string> events;  // connects and resources
    void OnConnect(int e) override { events.push_back("connect " + std::to_string(e)); }
    void OnReceive(int e, CSession*) override { receives.push_back(e); }
    void OnSend(int) override {}
    void OnDisconnect(int, CSession*) override {}
    void OnResource(const std::string& r, int n) override {
        events.push_back("resource " + r + " " + std::to_string(n));
    }
    bool SegmentOverride() const override { return true; }
};

// The response's first three bytes are not host text; the rest is collected as the QUILSP
// session collects a segment (translated unless asked not to, or for a printer's 0xF1).
TEST(Quil2Session, ReadsTheHostTextOfALibraryResponse) {
    struct Case {
        const char* device;
        bool translate;
        std::string response;
        int rc;
        std::string message;
    };
    const Case cases[] = {
        {"TERMINAL", true, "00 00 00 C8 C5 D3 D3 D6 4E", 0, "48 45 4C 4C 4F 15"},
        {"TERMINAL", true, "01 02 03", 1011, ""},
        {"TERMINAL", true, "", 1011, ""},
        {"TERMINAL", false, "00 00 00 C1 C2 00 C3", 0, "C1 C2 00 C3"},
        {"TERMINAL", false, "00 00 00 00 0D C2", 0, "1F 1E C2"},
        {"PRINTER", false, "00 00 00 F1 C1 4E", 0, "31 41 15"},
        {"PRINTER", false, "00 00 00 C1 C2 4E", 0, "C1 C2 4E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device + (" " + c.response));
        QuietOwner owner;
        CSession session(&owner, CPoolKey("1A2B01", "127.0.0.1"), true);
        ASSERT_EQ(session.SetServiceProviderOption(3, c.device), 0);
        ASSERT_EQ(session.SetOption(2, c.translate ? "TRUE" : "FALSE"), 0);
        std::vector<std::uint8_t> message;
        EXPECT_EQ(session.TakeResponse(FromHex(c.response), message), c.rc);
        EXPECT_EQ(ToHex(message), c.message);
        if (c.rc != 0) {
            EXPECT_EQ(session.LastError(), c.rc);
        }
    }
}

// A short response leaves its 1011 as the last error, but the next message is still
// announced to the provider as one waiting to be taken.
TEST(Quil2Session, AShortResponseDoesNotHoldUpTheNextMessage) {
    QuietOwner owner;
    CSession session(&owner, CPoolKey("1A2B01", "127.0.0.1"), true);
    std::vector<std::uint8_t> message;
    ASSERT_EQ(session.TakeResponse(FromHex("01 02 03"), message), 1011);
    session.OnReceive(0);
    EXPECT_EQ(owner.receives, std::vector<int>{0});
}

// A connect report that comes when the session is not connecting settles the state all the
// same: success makes the session idle, an error leaves it not connected (also when it was
// idle). Only an idle session without an error lets its RID through to the provider.
TEST(Quil2Session, ALateConnectReportSettlesTheState) {
    struct Case {
        std::vector<int> reports;
        int state;
        int lastError;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {{0}, kStateIdle, 0, {"connect 0", "resource 1A2B01 1"}},
        {{1007}, kStateNotConnected, 1007, {"connect 1007"}},
        {{0, 1012}, kStateNotConnected, 1012, {"connect 0", "connect 1012"}},
        {{1012, 0}, kStateIdle, 0, {"connect 1012", "connect 0", "resource 1A2B01 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.reports));
        QuietOwner owner;
        CSession session(&owner, CPoolKey("1A2B01", "127.0.0.1"), true);
        session.SetTerminalAddress("1A2B01", kPoolingFixed);
        for (int result : c.reports) session.OnConnect(result);
        session.OnResource();
        EXPECT_EQ(session.State(), c.state);
        EXPECT_EQ(session.LastError(), c.lastError);
        EXPECT_EQ(owner.events, c.events);
    }
}

// Before each connect the session fills the library's configuration from its route: a
// pooled address brings its pool name and type, a fixed one neither.
TEST(Quil2Session, FillsTheLibrarysConfigurationBeforeAConnect) {
    support::TempRoot root;
    struct Case {
        const char* lniata;
        int pooling;
        const char* device;
        const char* poolType;
        const char* basePcc;
    };
    for (const Case& c : {Case{"1A2B01", kPoolingFixed, "TERMINAL", "", ""},
                          Case{"000000", kPoolingHost, "TERMINAL", "HOST9", ""},
                          Case{"000000", kPoolingCode, "TERMINAL", "AGENCY", "PROF01"},
                          Case{"1A2B01", kPoolingFixed, "PRINTER", "", ""}}) {
        SCOPED_TRACE(std::string(c.lniata) + " " + c.device);
        QuietOwner owner;
        CSession session(&owner, CPoolKey(c.lniata, "127.0.0.1"), true);
        session.SetTerminalAddress(c.lniata, c.pooling);
        session.SetPort(1);
        session.SetPoolName("PROF01");
        ASSERT_EQ(session.SetServiceProviderOption(3, c.device), 0);
        (void)session.Connect("END1");
        EXPECT_EQ(session.ConfigValue("DEFAULTHOST"), "127.0.0.1");
        EXPECT_EQ(session.ConfigValue("PORT"), "1");
        EXPECT_EQ(session.ConfigValue("LNIATA"), c.lniata);
        EXPECT_EQ(session.ConfigValue("DEVTYPE"), c.device);
        EXPECT_EQ(session.ConfigValue("SEGMENTOVERRIDE"), "1");
        EXPECT_EQ(session.ConfigValue("POOLTYPE"), c.poolType);
        EXPECT_EQ(session.ConfigValue("POOLNAME"),
                  c.lniata == std::string("000000") ? "PROF01" : "");
        EXPECT_EQ(session.ConfigValue("BASEPCC"), c.basePcc);
    }
}

}  // namespace
