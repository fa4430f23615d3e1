#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <memory>
#include <string>

#include "SessionFixture.h"
#include "platform/Process.h"
#include "session/ZELSessionConfig.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

namespace {

using namespace SessionNS;
using sessiontest::SessionTest;
using sessiontest::TestSession;

std::string Bytes(const CStream& stream) {
    return stream.empty()
               ? std::string()
               : std::string(reinterpret_cast<const char*>(stream.data()), stream.length());
}

COMMError FailureOf(const std::function<void()>& call, std::string* text = nullptr) {
    try {
        call();
    } catch (const CExceptionBase& e) {
        if (text != nullptr) {
            *text = e.what();
        }
        return e.error();
    }
    return COMM_NO_ERROR;
}

TEST_F(SessionTest, DriverLibraryIsLoadedOnceAndUnloadedWithTheLastSession) {
    auto first = std::make_unique<TestSession>();
    auto second = std::make_unique<TestSession>();
    first->Connect(config, nullptr, 0);
    second->Connect(config, nullptr, 0);
    EXPECT_EQ(quil->InitCount(), 1);
    EXPECT_EQ(quil->CreatedCount(), 2);
    first.reset();
    EXPECT_EQ(quil->TerminateCount(), 0);
    EXPECT_EQ(quil->DeletedCount(), 1);
    second->Terminate();
    second->Terminate();  // once is enough
    EXPECT_EQ(quil->TerminateCount(), 1);
    EXPECT_EQ(quil->DeletedCount(), 2);
    second.reset();
    TestSession third;
    third.Connect(config, nullptr, 0);
    EXPECT_EQ(quil->InitCount(), 2);
}

TEST_F(SessionTest, ALibraryThatCannotStartIsNoDriver) {
    support::TempRoot root;
    std::filesystem::create_directories(root / "plugins");
    // A module without the driver's exports stands in for the driver.
    std::filesystem::copy_file(std::filesystem::path(TREVO_PLUGIN_OUTPUT) / "ToolkitProbeA.so",
                               root / "plugins/QUILDRV.so");
    struct Case {
        const char* name;
        std::string folder;
        int initResult;
    };
    const Case cases[] = {{"DLLInit answers 0", TREVO_FAKE_DRIVER_DIR, 0},
                          {"no DLLInit", (root / "plugins").string(), 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::setenv("TREVO_PLUGIN_DIR", c.folder.c_str(), 1);
        quil->SetInitResult(c.initResult);
        TestSession session;
        std::string text;
        EXPECT_EQ(FailureOf([&] { session.Connect(config, nullptr, 0); }, &text),
                  COMM_ERR_MISSINGDLL);
        EXPECT_EQ(text, "Unable to load Driver \"QUILDRV.DLL\". Returning COMM_ERR_MISSINGDLL");
        EXPECT_EQ(session.GetLastSessionError(), COMM_ERR_MISSINGDLL);
        EXPECT_EQ(std::string(session.GetSessionErrorString(-1)),
                  "The connect operation failed because the required DLL was not located");
    }
    EXPECT_EQ(quil->CreatedCount(), 0);
}

// The driver's OnConnect may come from another thread at any time, or before ConnectToHost
// has even returned: the outcome it reports stands either way.
constexpr struct {
    const char* name;
    bool callbackFirst;
} kConnectOrders[] = {{"OnConnect from a thread of the driver", false},
                      {"OnConnect before ConnectToHost returns", true}};

TEST_F(SessionTest, BlockingConnectWaitsForTheDriversAnswer) {
    for (const auto& order : kConnectOrders) {
        SCOPED_TRACE(order.name);
        quil->Reset();
        quil->SetConnectCallbackFirst(order.callbackFirst);
        TestSession session;
        quil->ScriptConnect(COMM_WAITING, 0);
        quil->SetOptionsData(std::string("\x01\x02\x00\x03", 4));
        session.Connect(config, nullptr, 5);
        EXPECT_FALSE(session.NeedToReconnect());
        EXPECT_EQ(session.OptionsData(), std::string("\x01\x02\x00\x03", 4));
        EXPECT_TRUE(session.Logged("Blocking Connect Returning COMM_NO_ERROR"));

        quil->ScriptConnect(COMM_WAITING, COMM_CONNECT_FAILED);
        std::string text;
        EXPECT_EQ(FailureOf([&] { session.Connect(config, nullptr, 5); }, &text),
                  COMM_CONNECT_FAILED);
        EXPECT_EQ(text, "Blocking Connect Returning COMM_CONNECT_FAILED");
        EXPECT_TRUE(session.NeedToReconnect());

        quil->ScriptConnect(COMM_ERR_BADAPIOPTION, -1);
        EXPECT_EQ(FailureOf([&] { session.Connect(config, nullptr, 5); }, &text),
                  COMM_ERR_BADAPIOPTION);
        EXPECT_EQ(text, "Error on ConnectToHost. Returning COMM_ERR_BADAPIOPTION");
        EXPECT_EQ(quil->CreatedCount(), 1);  // the driver object is used again
    }
}

TEST_F(SessionTest, BlockingConnectTimesOutAfterItsSeconds) {
    support::FakeClockScope clock;
    TestSession session;
    quil->ScriptConnect(COMM_WAITING, -1);
    auto connect = std::async(std::launch::async, [&] {
        return FailureOf([&] { session.Connect(config, nullptr, 5); });
    });
    ASSERT_TRUE(clock.WaitForTimedWaiters(1));
    clock.Advance(4999);
    EXPECT_EQ(connect.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    clock.Advance(1);
    EXPECT_EQ(connect.get(), COMM_ERR_TIMEOUT);
    EXPECT_TRUE(session.Logged("COMM_ERR_TIMEOUT on Connect"));
}

TEST_F(SessionTest, NonBlockingConnectLearnsItsOutcomeLater) {
    for (const auto& order : kConnectOrders) {
        SCOPED_TRACE(order.name);
        quil->Reset();
        quil->SetConnectCallbackFirst(order.callbackFirst);
        TestSession session;
        quil->ScriptConnect(COMM_WAITING, COMM_CONNECT_FAILED);
        session.Connect(config, nullptr, 0);
        quil->JoinCallbacks();
        EXPECT_TRUE(session.NeedToReconnect());
        EXPECT_EQ(session.GetLastSessionError(), COMM_CONNECT_FAILED);
        quil->ScriptConnect(COMM_WAITING, 0);
        session.Connect(config, nullptr, 0);
        quil->JoinCallbacks();
        EXPECT_FALSE(session.NeedToReconnect());
        EXPECT_EQ(session.GetLastSessionError(), COMM_NO_ERROR);
    }
}

TEST_F(SessionTest, PooledTerminalsGetNumberedIdentifiers) {
    TestSession session;
    config.SetLNIATA("000000");
    session.Connect(config, nullptr, 0);
    const unsigned long first = session.GetSessionID();
    session.Connect(config, nullptr, 0);
    EXPECT_EQ(session.GetSessionID(), first + 1);
    EXPECT_EQ(first / 100000 % 42949, platform::GetCurrentProcessId() % 42949);
    config.SetLNIATA("ABC123");
    session.Connect(config, nullptr, 0);
    EXPECT_EQ(session.GetSessionID(), 0u);
}

TEST_F(SessionTest, ChangingTheFamilyReplacesTheDriverObjectThroughItsOwnLibrary) {
    TestSession session;
    session.Connect(config, nullptr, 0);
    CZELSessionConfig zelConfig("R2");
    zelConfig.SetHostAddress("gw");
    session.Connect(zelConfig, nullptr, 0);
    EXPECT_EQ(quil->DeletedCount(), 1);
    EXPECT_EQ(zel->CreatedCount(), 1);
    EXPECT_STREQ(session.GetState()->GetString("PROTOCOL"), "ZEL");
    session.Terminate();
    EXPECT_EQ(zel->DeletedCount(), 1);
}

TEST_F(SessionTest, UntranslatedRequestsEndInAnEom) {
    TestSession session;
    session.Connect(config, nullptr, 0);
    struct Case {
        std::string request;
        std::string sent;
    };
    const Case cases[] = {
        {"\xC1\x6D", "SendToHost C16D"},
        {"\xC1\x4E", "SendToHost C14E"},
        {"\xC1\x5F", "SendToHost C15F4E"},
    };
    for (const Case& c : cases) {
        CRequest request;
        request.data.set(reinterpret_cast<const unsigned char*>(c.request.data()),
                         c.request.size());
        session.Send(request);
        EXPECT_EQ(quil->Calls().back(), c.sent);
    }
    CRequest empty;
    EXPECT_EQ(FailureOf([&] { session.Send(empty); }), COMM_ERR_BADINPUT);
    EXPECT_EQ(FailureOf([&] { session.EnqueueToDriver(empty); }), COMM_ERR_BADINPUT);

    session.SetTranslationMode(1);
    session.SetTranslationMode(1);
    int turnedOn = 0;
    for (const std::string& line : session.Lines()) {
        turnedOn += line.find("Translation turned ON") != std::string::npos;
    }
    EXPECT_EQ(turnedOn, 1);
    for (const char* text : {"HELLO", "HELLO+", "A"}) {
        CRequest request;
        request.data.set(reinterpret_cast<const unsigned char*>(text), std::strlen(text));
        session.EnqueueToDriver(request);
        const std::string sent = quil->Calls().back();
        ASSERT_GE(sent.size(), 4u);
        EXPECT_EQ(sent.substr(sent.size() - 2), "4E") << sent;
        EXPECT_NE(sent.substr(sent.size() - 4), "4E4E") << sent;
    }
}

TEST_F(SessionTest, TimedReceiveWaitsForAnAnnouncedMessage) {
    TestSession session;
    session.Connect(config, nullptr, 0);
    {
        support::FakeClockScope clock;
        CResponse response;
        auto receive = std::async(std::launch::async,
                                  [&] { return FailureOf([&] { session.Receive(response, 2); }); });
        ASSERT_TRUE(clock.WaitForTimedWaiters(1));
        clock.Advance(2000);
        EXPECT_EQ(receive.get(), COMM_ERR_TIMEOUT);
    }
    quil->QueueMessage("\xC1\xC2\x4E");
    quil->Announce(0);
    CResponse response;
    session.Receive(response, 2);
    EXPECT_EQ(Bytes(response.data), "\xC1\xC2\x4E");

    // A message announced before the link went is still taken; then "not connected".
    quil->QueueMessage("\xC3\x4E");
    quil->Announce(0);
    quil->JoinCallbacks();
    quil->SetLink(false, true);
    session.Receive(response, 2);
    EXPECT_EQ(Bytes(response.data), "\xC3\x4E");
    std::string text;
    EXPECT_EQ(FailureOf([&] { session.Receive(response, 2); }, &text), COMM_ERR_RECONNECT);
    EXPECT_EQ(text, "Host not connected. Returning COMM_ERR_RECONNECT");
    EXPECT_EQ(FailureOf([&] { session.Receive(response); }, &text), COMM_NO_RECV_DATA);
    EXPECT_EQ(text, "Error on RecvFromHost. Returning COMM_NO_RECV_DATA");
}

TEST_F(SessionTest, ClearReceiveQueueTakesEveryAnnouncedMessage) {
    TestSession session;
    session.Connect(config, nullptr, 0);
    for (int i = 0; i < 3; ++i) {
        quil->QueueMessage("\xC1\x4E");
        quil->Announce(0);
    }
    quil->JoinCallbacks();
    session.ClearReceiveQueue();
    int received = 0;
    for (const std::string& call : quil->Calls()) {
        received += call == "RecvFromHost";
    }
    EXPECT_EQ(received, 3);
    EXPECT_EQ(session.GetLastSessionError(), COMM_NO_ERROR);
}

TEST_F(SessionTest, SessionInformationUpdatesLniataAndLockId) {
    TestSession session;
    session.Connect(config, nullptr, 0);
    quil->SetSessionInfo("PROTOCOL=QUIL/RID=010203LID=0A0B0C0DLNIATA=XYZ789HOSTSYS=H1");
    quil->Announce(COMM_ERR_RECONNECT);
    quil->JoinCallbacks();
    EXPECT_STREQ(session.GetState()->GetLNIATA(), "XYZ789");
    EXPECT_STREQ(session.GetState()->GetString("LID"), "0A0B0C0D");
    EXPECT_TRUE(session.NeedToReconnect());
    quil->SetSessionInfo("PROTOCOL=QUIL/LNIATA=QQQQ");
    quil->Announce(COMM_SEND_FAILED);
    quil->JoinCallbacks();
    EXPECT_STREQ(session.GetState()->GetLNIATA(), "XYZ789");
    EXPECT_TRUE(session.NeedToReconnect());  // 1002 leaves the flag
    quil->Announce(0);
    quil->JoinCallbacks();
    EXPECT_FALSE(session.NeedToReconnect());
    EXPECT_EQ(std::string(session.GetSessionInfo()), "PROTOCOL=QUIL/LNIATA=QQQQ");
    EXPECT_EQ(std::string(session.GetHostSessionAddr()), std::string(255, 'h'));
}

TEST_F(SessionTest, QueriesAndSwitchesWithoutADriver) {
    TestSession session;
    EXPECT_EQ(session.IsHostConnected(), 0);
    EXPECT_EQ(session.GetSessionInfo(), nullptr);
    EXPECT_EQ(session.SetHostDriverOption(2, 1), 0);
    EXPECT_EQ(FailureOf([&] { session.Disconnect(); }), COMM_ERR_OUTOFMEMORY);
    EXPECT_EQ(FailureOf([&] { session.SetTranslationMode(1); }), COMM_ERR_RECONNECT);
    EXPECT_EQ(FailureOf([&] { session.WorkHostQueue(); }), COMM_ERR_NOCONNECTION);
    EXPECT_EQ(FailureOf([&] { session.GetState(); }), COMM_ERR_RECONNECT);
    session.OnDisconnect(COMM_CONNECTION_RESET);
    EXPECT_TRUE(session.NeedToReconnect());
    EXPECT_EQ(session.GetLastSessionError(), COMM_CONNECTION_RESET);

    session.Connect(config, nullptr, 0);
    EXPECT_EQ(session.SetHostDriverOption(2, 1), 1);
    session.AccumulateMsgSegments(1);
    EXPECT_EQ(quil->Calls().back(), "SetAccumulationMode 1");
    session.Disconnect();
    EXPECT_TRUE(session.NeedToReconnect());
    EXPECT_EQ(quil->Calls().back(), "DisconnectFromHost");
}

}  // namespace
