#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ControlFixture.h"
#include "hostcontrol/ControlIds.h"
#include "support/FakeClockScope.h"

namespace hostcontrol_test {
namespace {

namespace id = hostcontrol::terminal;
namespace ev = hostcontrol::terminal_event;
using hostcontrol::CTerminalCtrl;
using platform::Variant;

class TerminalTest : public ControlTest<CTerminalCtrl> {
protected:
    // Connected to HOST A (the home end system).
    void ConnectHome() {
        support::Loopback()->SetConnectResult(0);
        ASSERT_TRUE(CallBool(id::ConnectToHost, Text(kApp), Text(""), Variant::Bool(false)));
        hostA = Host();
        hostA->CompleteConnect(0);
        hostA->AssignResource("0A1B2C");
        ASSERT_EQ(CallShort(id::Status), 2);
    }
    // Changed to HOST B by a change-of-system message, B's connect completing.
    void ChangeToB() {
        ASSERT_TRUE(CallBool(id::SendString, Text(std::string("\x01\x01HOST B"))));
        EXPECT_EQ(CallShort(id::LastError), 25);
        hostB = Host();
        ASSERT_NE(hostB, hostA);
        EXPECT_EQ(hostB->Route(), "Route B");
        hostB->CompleteConnect(0);
        hostB->AssignResource("0D0E0F");
    }

    support::LoopbackConnection* hostA = nullptr;
    support::LoopbackConnection* hostB = nullptr;
};

const std::string kOk = "\x1F\x1EOK.";

// A change-of-system message changes the end system and sends nothing (a printer sends
// the same bytes as they are, DeviceTest); the outcome comes as a message when the new connect
// completes; a change back to a connected end system reports at once; the session's translation and
// accumulation are on.
TEST_F(TerminalTest, ChangeOfSystem) {
    ConnectHome();
    TakeEvents();
    ChangeToB();
    EXPECT_TRUE(hostA->Sent().empty());
    EXPECT_TRUE(hostB->Sent().empty());
    EXPECT_EQ(TakeEvents(), (std::vector<platform::DISPID>{ev::OnReceive, ev::OnResource}));
    EXPECT_EQ(CallText(id::ReceiveString), kOk + "HOST B");
    EXPECT_EQ(CallText(id::Resource), "0D0E0F");
    ASSERT_TRUE(CallBool(id::SendString, Text("TO B")));
    EXPECT_EQ(hostB->Sent(), std::vector<std::string>{"TO B"});
    const auto options = hostB->Options();
    ASSERT_GE(options.size(), 3u);
    EXPECT_EQ(options[options.size() - 2].text, "TRUE");
    EXPECT_EQ(options.back().text, "TRUE");

    ASSERT_TRUE(CallBool(id::ChangeSystem, Text("HOST A")));
    EXPECT_EQ(TakeEvents(), std::vector<platform::DISPID>{ev::OnReceive});
    EXPECT_EQ(CallText(id::ReceiveString), kOk + "HOST A");
    EXPECT_EQ(CallText(id::Resource), "0A1B2C");
    ASSERT_TRUE(CallBool(id::SendString, Text("TO A")));
    EXPECT_EQ(hostA->Sent(), std::vector<std::string>{"TO A"});

    // An end system of no session is refused; one whose connect fails says so.
    EXPECT_FALSE(CallBool(id::ChangeSystem, Text("HOST Z")));
    EXPECT_EQ(CallShort(id::LastError), 6);
    support::WriteLoopbackSession(kApp, kSession, "HOST C", "Route C");
    support::WriteLoopbackSession(kApp, kSession, "HOST A", "Route A");
    ASSERT_TRUE(CallBool(id::ChangeSystem, Text("HOST C")));
    Host()->CompleteConnect(1013);
    EXPECT_EQ(CallText(id::ReceiveString),
              "\x1F\x1E"
              "FAILED TO CONNECT TO HOST C");
    EXPECT_EQ(CallShort(id::Status), 2);
}

// A VUVE message has its own queue and event; loop-back messages and the head's first two
// bytes.
TEST_F(TerminalTest, VuveAndLoopBackMessages) {
    EXPECT_FALSE(CallBool(id::LoopBackMessage, Text("L")));
    EXPECT_EQ(CallShort(id::LastError), 22);
    ConnectHome();
    TakeEvents();
    hostA->Deliver("VU", 1028);
    EXPECT_EQ(TakeEvents(), std::vector<platform::DISPID>{ev::OnVUVEReceive});
    EXPECT_EQ(CallText(id::ReceiveString), "");
    EXPECT_EQ(CallShort(id::LastError), 17);
    EXPECT_EQ(CallText(id::ReceiveVUVEString), "VU");

    ASSERT_TRUE(CallBool(id::LoopBackMessage, Text("\x1F\x1Eloop")));
    EXPECT_EQ(TakeEvents(), std::vector<platform::DISPID>{ev::OnReceive});
    char c1 = 0;
    char c2 = 0;
    EXPECT_EQ(control->Device().GetC1C2Type(&c1, &c2), 1);
    EXPECT_EQ(c1, '\x1F');
    EXPECT_EQ(c2, '\x1E');
    EXPECT_EQ(CallShort(id::LastError), 25);
    EXPECT_EQ(CallText(id::Data), "\x1F\x1Eloop");
    EXPECT_EQ(control->Device().GetC1C2Type(&c1, &c2), 17);
}

// With two end systems connected: a connect that fails at once leaves the state at 2, and
// losing the current one makes the other current.
TEST_F(TerminalTest, TwoEndSystems) {
    ConnectHome();
    ChangeToB();
    support::Loopback()->SetConnectResult(1013);
    EXPECT_FALSE(CallBool(id::ConnectToHost, Text(kApp), Text(""), Variant::Bool(false)));
    EXPECT_EQ(CallShort(id::LastError), 1013);
    EXPECT_EQ(control->Device().m_nState, 2);

    TakeEvents();
    hostB->Drop(1003);
    EXPECT_EQ(TakeEvents(), std::vector<platform::DISPID>{ev::OnDisconnect});
    EXPECT_EQ(CallShort(id::Status), 2);
    EXPECT_EQ(CallText(id::Resource), "0A1B2C");
    ASSERT_TRUE(CallBool(id::SendString, Text("X")));
    EXPECT_EQ(hostA->Sent(), std::vector<std::string>{"X"});

    ASSERT_TRUE(CallBool(id::DisconnectEndSystem, Text("home")));
    hostA->Drop(0);
    EXPECT_EQ(CallShort(id::Status), 0);
    EXPECT_FALSE(CallBool(id::DisconnectEndSystem, Text("HOST A")));
    EXPECT_EQ(CallShort(id::LastError), 14);
}

// The end of the session waits for the disconnect it asks for, and at most 60 s.
TEST_F(TerminalTest, EndOfSessionWaitsForTheDisconnect) {
    EXPECT_TRUE(control->QueryEndSession());
    ConnectHome();
    support::FakeClockScope clock;
    hostA->FromOwnThread(true);
    std::thread host([&] {
        if (support::Eventually([&] { return hostA->Disconnects() == 1; })) hostA->Drop(0);
    });
    EXPECT_FALSE(control->QueryEndSession());
    host.join();
    EXPECT_EQ(CallShort(id::Status), 0);
    EXPECT_LT(clock.Clock().NowMs(), hostcontrol::kTerminalDestroyWaitMs);
}

}  // namespace
}  // namespace hostcontrol_test
