#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HostTrevoFixture.h"
#include "RecordingControl.h"
#include "core/HostCtrl.h"
#include "core/HostTrevo.h"
#include "platform/Registry.h"
#include "platform/Time.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

namespace {

using core::CHostTrevo;
using hosttest::Hex;
using hosttest::Msg;
using namespace platform;

const std::string kRoute = std::string(CHostTrevo::kRoutesKey) + "\\Device 01";

void PutString(const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void PutDWORD(const std::string& path, const char* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

std::optional<std::string> GetString(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[512];
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc =
        RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data, strnlen(data, size));
}

// A host link whose connection fields a test may set.
class Link : public CHostTrevo {
public:
    explicit Link(const std::string& host = "HOST")
        : CHostTrevo("Device 01", host, false, false, "", false, false) {}
    using CHostTrevo::m_csState;
    using CHostTrevo::m_judge;
    using CHostTrevo::m_nConnectionRetries;
    using CHostTrevo::m_strCurrentHost;
    using CHostTrevo::m_strLastGoodHost;
    using CHostTrevo::m_strPrimaryHost;
    using CHostTrevo::Settings;
};

class HostConnectionTest : public support::TempRootTest {
protected:
    std::unique_ptr<Link> Make(const std::string& host = "HOST") {
        auto link = std::make_unique<Link>(host);
        link->SetHostControl(&control);
        return link;
    }
    std::vector<std::string> SentHex() {
        std::vector<std::string> out;
        for (const auto& s : control.Sent()) out.push_back(Hex(s));
        return out;
    }
    // EBCDIC of an ASCII text, by the link's own translation.
    static std::string Ebcdic(CHostTrevo& link, std::string text) {
        link.MsgTranslateAsciiToEbcdic(text);
        return text;
    }

    hosttest::RecordingControl control;
};

// What the link takes from its route, by service provider. Every case's route also holds
// the values the provider does not read.
TEST_F(HostConnectionTest, RouteSettingsByProvider) {
    struct Case {
        const char* provider;
        const char* lniataName;  // the value that holds its terminal address
        const char* address;
        std::string lniata, hostAddress;
        std::uint32_t port;
        std::string primary;
        const char* lastError;
    };
    const Case cases[] = {
        {"ZEL", "Lniata", "zel.example", "LNZEL1", "zel.example", 2001, "", ""},
        {"ARLO", "LNIATA", "lb.example", "LNZEL1", "lb.example", 2002, "", ""},
        {"MUX", "Lniata", "x", "LNZEL1", "", 0, "", ""},
        {"NEB", "Object Name", "x", "OBJ001", "", 0, "", ""},
        {"QUIL", "Lniata", "10.1.2.3", "", "10.1.2.3", 0, "10.1.2.3", ""},
        {"QUIL2", "LNIATA", "host1.site.net", "LNZEL1", "host1.site.net", 2004, "host1", ""},
        {"QUIL2", "LNIATA", ".lead.net", "LNZEL1", ".lead.net", 2004, "", ""},
        {"QUIL2", "LNIATA", "plainname", "LNZEL1", "plainname", 2004, "", ""},
        {"QUIL2", "LNIATA", "255.255.255.255", "LNZEL1", "255.255.255.255", 2004, "255", ""},
        {"TAVRIX", "LNIATA", "x", "", "", 0, "", ""},
        {"OTHER", "LNIATA", "x", "", "", 0, "", "Unknown Service Provider OTHER"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.provider) + " " + c.address);
        support::TempRoot caseRoot;
        PutString(kRoute, "Service Provider", c.provider);
        PutString(kRoute, "Lniata", "lnzel1");  // the same value as "LNIATA"
        PutString(kRoute, "Object Name", "obj001");
        for (const char* name : {"Server IP Address", "Load Balancer Name", "Remote IP Address"}) {
            PutString(kRoute, name, c.address);
        }
        PutDWORD(kRoute, "ZEL Port", 2001);
        PutDWORD(kRoute, "Load Balancer IP Port", 2002);
        PutDWORD(kRoute, "Remote Port", 2004);
        Link link;
        EXPECT_EQ(link.GetServiceProvider(), c.provider);
        EXPECT_EQ(link.GetLNIATA(), c.lniata);
        EXPECT_EQ(link.GetHostAddress(), c.hostAddress);
        EXPECT_EQ(link.GetHostPort(), c.port);
        EXPECT_EQ(link.GetPrimaryHost(), c.primary);
        EXPECT_EQ(link.GetCurrentHost(), c.primary);
        EXPECT_EQ(link.Settings().m_bControlFrames, std::string(c.provider) == "QUIL");
        EXPECT_NE(link.GetLastError().find(c.lastError), std::string::npos) << link.GetLastError();
    }
    // Without a route the link keeps its defaults.
    support::TempRoot empty;
    Link link;
    EXPECT_EQ(link.GetServiceProvider(), "");
    EXPECT_EQ(link.GetLNIATA(), "");
    EXPECT_EQ(link.GetLastError(), "");
}

// Which title the program runs under picks the host character table; the texts compare
// without regard to case.
TEST_F(HostConnectionTest, TitleRule) {
    struct Case {
        const char* nameType;  // null: no ini file
        const char* host;
        bool expected;
    };
    const Case cases[] = {
        {"Trevo Veka", "Trevo Quorvix", true}, {"Trevo Veka", "TREVO QUORVIX", true},
        {"Trevo Veka", "Other", false},        {"TREVO VEKA", "Trevo Quorvix", false},
        {"Trevo Print", "Trevo Print", false}, {nullptr, "Trevo Printing Module", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.nameType ? c.nameType : "(none)") + " / " + c.host);
        support::TempRoot caseRoot;
        if (c.nameType) {
            caseRoot.WriteFile("windows/VEKACFG.ini",
                               std::string("[NAMETYPE]\nVEKANAME=") + c.nameType + "\n");
        }
        EXPECT_EQ(Link(c.host).IsPlatformTitle(), c.expected);
    }
}

// The connect requests, what the control is asked and what is left pending.
TEST_F(HostConnectionTest, ConnectRequests) {
    enum Call { Connect, UnlessPending, Retry };
    struct Case {
        const char* name;
        Call call;
        core::eConnectionState before;
        bool bPending, bConnectOk, bLockOk;
        bool expected;
        std::vector<std::string> calls;
        bool bPendingAfter;
        core::eConnectionState after;
        const char* lastError;
    };
    const std::string kConnect = "ConnectToHost TREVO VEKA,S1,0";
    const Case cases[] = {
        {"connect",
         Connect,
         core::CONNECTION_DISCONNECTED,
         false,
         true,
         true,
         true,
         {"DisconnectFromHost", kConnect, "Lock"},
         true,
         core::CONNECTION_CONNECTING,
         ""},
        {"connect while connected is refused by the control",
         Connect,
         core::CONNECTION_CONNECTED,
         false,
         false,
         true,
         false,
         {kConnect},
         false,
         core::CONNECTION_CONNECTED,
         "(17) Already open"},
        {"connect with a failed lock",
         Connect,
         core::CONNECTION_DISCONNECTED,
         false,
         true,
         false,
         false,
         {"DisconnectFromHost", kConnect, "Lock", "DisconnectFromHost"},
         false,
         core::CONNECTION_CONNECTING,
         "(17) Already open"},
        {"unless pending, while pending",
         UnlessPending,
         core::CONNECTION_CONNECTING,
         true,
         true,
         true,
         true,
         {},
         true,
         core::CONNECTION_CONNECTING,
         ""},
        {"unless pending",
         UnlessPending,
         core::CONNECTION_DISCONNECTED,
         false,
         true,
         true,
         true,
         {kConnect, "Lock"},
         true,
         core::CONNECTION_CONNECTING,
         ""},
        {"unless pending, refused",
         UnlessPending,
         core::CONNECTION_DISCONNECTED,
         false,
         false,
         true,
         false,
         {kConnect},
         false,
         core::CONNECTION_CONNECTING,
         "(17) Already open"},
        {"unless pending with a failed lock",
         UnlessPending,
         core::CONNECTION_DISCONNECTED,
         false,
         true,
         false,
         false,
         {kConnect, "Lock", "DisconnectFromHost"},
         false,
         core::CONNECTION_CONNECTING,
         "(17) Already open"},
        {"retry keeps reconnecting",
         Retry,
         core::CONNECTION_RECONNECTING,
         false,
         true,
         true,
         true,
         {kConnect, "Lock"},
         true,
         core::CONNECTION_RECONNECTING,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control.Reset();
        control.connectResult = c.bConnectOk;
        control.lockResult = c.bLockOk;
        control.code = 17;
        control.message = "Already open";
        auto link = Make();
        link->SetConnectionState(c.before);
        if (c.bPending) {
            ASSERT_TRUE(link->HostConnectUnlessPending("S1"));
        }
        control.Clear();
        const bool result = c.call == Connect         ? link->HostConnect("S1")
                            : c.call == UnlessPending ? link->HostConnectUnlessPending("S1")
                                                      : link->HostConnectRetry("S1");
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(control.Calls(), c.calls);
        EXPECT_EQ(link->IsConnectPending(), c.bPendingAfter);
        EXPECT_EQ(link->GetConnectionState(), c.after);
        EXPECT_EQ(link->GetLastError(), c.lastError);
    }
}

// The control's events move the connection and host states.
TEST_F(HostConnectionTest, EventsMoveTheConnection) {
    support::FakeClockScope clock;
    auto link = Make();
    ASSERT_TRUE(link->HostConnectUnlessPending("S1"));
    link->OnConnect(1);
    EXPECT_EQ(link->GetConnectionState(), core::CONNECTION_CONNECTED);
    EXPECT_FALSE(link->IsConnectPending());
    EXPECT_EQ(link->GetConnectionRetries(), 0);

    control.resource = "ab12cd";
    control.Clear();
    link->OnResource(1);
    EXPECT_EQ(link->GetLNIATA(), "AB12CD");
    EXPECT_EQ(control.Calls(), std::vector<std::string>{"TranslateMessages 0"});

    link->OnSystemAvailable(0);
    EXPECT_EQ(link->GetHostState(), core::HOST_OFFLINE);
    link->OnSystemAvailable(1);
    EXPECT_EQ(link->GetHostState(), core::HOST_AVAIL);

    link->OnDisconnect(1);  // asked for: no reconnect
    EXPECT_EQ(link->GetConnectionState(), core::CONNECTION_DISCONNECTED);

    control.code = 5;
    control.message = "Line dropped";
    const std::int64_t now = CurrentTime();
    link->OnDisconnect(0);  // lost: reconnect after a delay below 20 s
    EXPECT_EQ(link->GetConnectionState(), core::CONNECTION_RECONNECTING);
    EXPECT_EQ(link->GetLastError(), "(5) Line dropped");
    EXPECT_GE(link->GetReconnectAfter(), now);
    EXPECT_LT(link->GetReconnectAfter(), now + 20);

    ASSERT_TRUE(link->HostConnectRetry("S1"));
    link->OnConnect(0);
    EXPECT_EQ(link->GetConnectionState(), core::CONNECTION_RECONNECTING);
    EXPECT_FALSE(link->IsConnectPending());
    EXPECT_EQ(link->GetConnectionRetries(), 1);
}

// The reconnect delay is drawn below min((retries + 4) x 5, 90) seconds.
TEST_F(HostConnectionTest, ReconnectDelayBound) {
    support::FakeClockScope clock;
    const struct {
        int retries;
        int bound;
    } cases[] = {{0, 20}, {1, 25}, {13, 85}, {14, 90}, {40, 90}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.retries);
        auto link = Make();
        {
            CriticalSection::Guard lock(link->m_csState);
            link->m_nConnectionRetries = c.retries;
        }
        std::int64_t longest = 0;
        for (int i = 0; i < 400; ++i) {
            link->HostStartReconnect();
            const std::int64_t delay = link->GetReconnectAfter() - CurrentTime();
            ASSERT_GE(delay, 0);
            ASSERT_LT(delay, c.bound);
            longest = std::max(longest, delay);
        }
        EXPECT_GE(longest, c.bound - 5);
        EXPECT_EQ(link->GetConnectionState(), core::CONNECTION_RECONNECTING);
    }
}

// A message taken as an array of bytes keeps every byte; taken as a string it is what the
// control gives; either way the control is asked for untranslated messages first.
TEST_F(HostConnectionTest, ReceivingTakesEveryByte) {
    for (const char* prevent : {"0", "1"}) {
        SCOPED_TRACE(prevent);
        support::TempRoot caseRoot;
        caseRoot.WriteFile("windows/TREVO.INI",
                           std::string("[Client]\nPrevent Unicode Conversion=") + prevent + "\n");
        control.Reset();
        auto link = Make();
        control.Queue(std::string("\xC1\x00\xC2\x4E", 4));
        std::string text;
        ASSERT_TRUE(link->OnReceive(text));
        EXPECT_EQ(text, std::string("\xC1\x00\xC2\x4E", 4));
        EXPECT_EQ(control.Calls(), std::vector<std::string>{"TranslateMessages 0"});
        control.byteArrays = false;
        control.Queue("\xC1\xC2\x4E");
        ASSERT_TRUE(link->OnReceive(text));
        EXPECT_EQ(text, std::string(prevent) == "1" ? "" : "\xC1\xC2\x4E");
    }
}

// A message the control refuses is not sent: the link says so with the control's error.
TEST_F(HostConnectionTest, RefusedSendIsAFailure) {
    auto link = Make();
    link->SetConnectionState(core::CONNECTION_CONNECTED);
    EXPECT_TRUE(
        link->MsgSendToHost("C\x01"
                            "20\x15",
                            true));
    control.sendResult = false;
    control.code = 9;
    control.message = "Sending";
    EXPECT_FALSE(
        link->MsgSendToHost("C\x01"
                            "20\x15",
                            true));
    EXPECT_EQ(link->GetLastError(), "(9) Sending");
    link->SetConnectionState(core::CONNECTION_DISCONNECTED);
    EXPECT_FALSE(link->MsgSendToHost("x", true));
    EXPECT_EQ(link->GetLastError(), "Unable to send to host.");
}

// The route's host list: "A/" plus B gives "A/B/", an empty list is stored as ".", a name
// already in the list is not added again.
TEST_F(HostConnectionTest, HostListOfTheRoute) {
    PutString(kRoute, "Service Provider", "QUIL");
    auto link = Make();
    std::string list;
    link->AccessUrlQueue(list, true);
    EXPECT_EQ(GetString(kRoute, "URL Queue"), ".");
    list = "x";
    link->AccessUrlQueue(list, false);
    EXPECT_EQ(list, "");
    for (const char* host : {"A", "B", "A", "B", "AB"}) link->AppendToHostListInRegistry(host);
    EXPECT_EQ(GetString(kRoute, "URL Queue"), "A/B/AB/");
}

// Address control frames feed the host list.
TEST_F(HostConnectionTest, HostsFromControlFrames) {
    struct Case {
        std::string text;  // after the three frame bytes
        const char* list;
    };
    const Case cases[] = {
        {"HOSTA.DOMAIN.NET", "HOSTA/"},
        {"PRNT01234567890HOSTB.SITE.COM", "HOSTB/"},
        {"PRNT01234567890HOSTC", "HOSTC/"},
        {"PRNT01234567890.COM", "."},
        {"PRNT0123", "."},
        {"PRNT", "."},
        {".LEADING.NET", "."},
        {"", "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        support::TempRoot caseRoot;
        PutString(kRoute, "Service Provider", "QUIL");
        PutString(kRoute, "URL Queue", ".");
        auto link = Make();
        link->AddHostsFromControlFrame("\xFF\xFF\x04" + Ebcdic(*link, c.text));
        EXPECT_EQ(GetString(kRoute, "URL Queue"), c.list);
    }
    auto link = Make();
    link->AddHostsFromControlFrame("\xFF\xFF");
}

// A change-change moves to the next host of the list; a failed connect on a host other than
// the primary after more than three retries does it and puts the failed host at the end.
TEST_F(HostConnectionTest, ChangeChangeFallsBackThroughTheList) {
    PutString(kRoute, "Service Provider", "QUIL");
    PutString(kRoute, "Remote IP Address", "10.0.0.1");
    PutString(kRoute, "URL Queue", "H1/H2/");
    auto link = Make();
    ASSERT_EQ(link->GetPrimaryHost(), "10.0.0.1");
    ASSERT_TRUE(link->Settings().m_bControlFrames);

    link->IssueChangeChange();
    EXPECT_EQ(link->GetCurrentHost(), "H1");
    EXPECT_EQ(GetString(kRoute, "URL Queue"), "H2/");
    EXPECT_EQ(SentHex(), std::vector<std::string>{"7C 7C C8 F1"});
    link->IssueChangeChange();  // no control signal pending: nothing
    EXPECT_EQ(control.Sent().size(), 1u);

    control.Clear();
    {
        CriticalSection::Guard lock(link->m_csState);
        link->m_nConnectionRetries = 4;
    }
    link->OnConnect(0);
    EXPECT_EQ(link->GetCurrentHost(), "H2");
    EXPECT_EQ(link->GetConnectionRetries(), 0);
    EXPECT_EQ(GetString(kRoute, "URL Queue"), "H1/");
    EXPECT_EQ(SentHex(), std::vector<std::string>{"7C 7C C8 F2"});

    // The list holds H1 again; with the primary as the last good host the link first tells
    // the host it holds, then changes.
    control.Clear();
    {
        CriticalSection::Guard lock(link->m_csState);
        link->m_strLastGoodHost = "10.0.0.1";
        link->m_judge.m_bControlSignalPending = true;
    }
    {
        support::FakeClockScope clock;
        std::thread change([&] { link->IssueChangeChange(); });
        ASSERT_TRUE(clock.WaitForTimedWaiters(1));
        clock.Advance(1500);
        change.join();
    }
    EXPECT_EQ(SentHex(), (std::vector<std::string>{Hex(Ebcdic(*link, "C?25\x15")), "7C 7C C8 F1"}));
    // Nothing left and the primary is the last good host: no next host, the signal stays.
    control.Clear();
    {
        CriticalSection::Guard lock(link->m_csState);
        link->m_judge.m_bControlSignalPending = true;
    }
    link->IssueChangeChange();
    EXPECT_TRUE(control.Sent().empty());
    CriticalSection::Guard lock(link->m_csState);
    EXPECT_TRUE(link->m_judge.m_bControlSignalPending);
}

TEST(HostCtrlTest, ValidHostAddresses) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {{"10.1.2.3", true},          {"0.0.0.0", true}, {"255.255.255.255", false},
                 {"host.example.com", false}, {"", false},       {nullptr, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(core::CHostCtrl::IsValidHostAddress(c.text), c.valid)
            << (c.text ? c.text : "(null)");
    }
}

}  // namespace
