#include "shell/FanOut.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ShellFixture.h"
#include "shell/Document.h"
#include "support/TestPrinterControl.h"

using namespace shelltest;
using shell::CFanOut;
using shell::CVekaDoc;

namespace {

class Recorder final : public shell::IFanOutListener {
public:
    void BeforeReceive(std::size_t slot) override {
        calls.push_back("before " + std::to_string(slot));
    }
    void AfterReceive(std::size_t slot) override {
        calls.push_back("after " + std::to_string(slot));
    }
    void AfterSystemAvailable() override { calls.push_back("refresh"); }
    std::vector<std::string> calls;
};

class FanOut : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        made.withHosts = true;
    }
    void TearDown() override {
        // The devices go before the slots their host links use.
        if (doc) doc->ShutDownDevices();
        fan.reset();
        doc.reset();
        ShellTest::TearDown();
    }
    // Makes the document and the fan-out and creates the connections; gives the time the
    // pauses took.
    std::uint64_t Create() {
        doc = std::make_unique<CVekaDoc>(app, made.Function());
        fan = std::make_unique<CFanOut>(doc.get(), 0, &listener);
        support::FakeClockScope clock;
        ClockPusher pusher(clock, CFanOut::kConnectPauseMs);
        fan->CreateConnections();
        return clock.Clock().NowMs();
    }
    support::TestPrinterHost* HostOf(std::size_t slot) {
        core::CHostCtrl* ctrl = fan->SlotObject(slot);
        return ctrl && ctrl->Control() ? support::HostSideOf(*ctrl->Control()) : nullptr;
    }
    bool Pump(const std::function<bool()>& done) { return loop.PumpUntil(done, 10000); }

    platform::EventLoop loop;
    shell::AppState app;
    RecordingConstructor made;
    Recorder listener;
    std::unique_ptr<CVekaDoc> doc;
    std::unique_ptr<CFanOut> fan;
};

}  // namespace

TEST_F(FanOut, ControlsAreMadeInTheSlotsOfDevicesWithAHostLinkAndTheirEventsReachThem) {
    ASSERT_EQ(support::RegisterTestPrinterControl(), platform::S_OK);
    PutDevice("Device 01", "File");
    PutDevice("Device 02", "Passport Reader");
    PutDevice("Device 03", "Printer (ATB2)");
    EXPECT_EQ(Create(), 2 * CFanOut::kConnectPauseMs);

    EXPECT_EQ(fan->SlotObject(1), nullptr);
    for (std::size_t slot : {0u, 2u}) {
        ASSERT_NE(HostOf(slot), nullptr) << slot;
        EXPECT_EQ(fan->SlotObject(slot)->ControlId(), 1028 + slot);
        ASSERT_EQ(HostOf(slot)->Connects().size(), 1u);
        EXPECT_EQ(HostOf(slot)->Connects()[0].application, "TREVO VEKA");
        EXPECT_EQ(HostOf(slot)->Connects()[0].session,
                  "Session Device 0" + std::to_string(slot + 1));
    }

    // Events of control 1030 reach the printer in slot 2, each with its flag.
    made.journal.clear();
    ASSERT_TRUE(HostOf(2)->CompleteConnect(true));
    ASSERT_TRUE(HostOf(2)->AssignResource("0A1B2C"));
    ASSERT_TRUE(HostOf(2)->Deliver("message"));
    ASSERT_TRUE(HostOf(2)->LoseConnection(1, "gone"));
    ASSERT_TRUE(Pump([&] { return made.journal.size() >= 4; }));
    EXPECT_EQ(made.journal,
              (std::vector<std::string>{"Device 03 connect 1", "Device 03 resource 1",
                                        "Device 03 receive", "Device 03 disconnect 0"}));
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"before 2", "after 2"}));

    // Event 6 of any control refreshes the whole list.
    ASSERT_TRUE(HostOf(0)->CompleteConnect(true));
    ASSERT_TRUE(HostOf(0)->SystemAvailable(true));
    ASSERT_TRUE(Pump([&] { return listener.calls.size() >= 3; }));
    EXPECT_EQ(listener.calls.back(), "refresh");
    EXPECT_EQ(made.journal.back(), "Device 01 available 1");
}

TEST_F(FanOut, EventsAfterTheDevicesAreGoneAreDropped) {
    ASSERT_EQ(support::RegisterTestPrinterControl(), platform::S_OK);
    PutDevice("Device 01", "File");
    Create();
    ASSERT_NE(HostOf(0), nullptr);
    ASSERT_TRUE(doc->OnCloseDocument());
    made.journal.clear();
    fan->OnControlEvent(1028, CFanOut::EVENT_RECEIVE, {});
    fan->OnControlEvent(1028, CFanOut::EVENT_CONNECT, {});
    EXPECT_TRUE(made.journal.empty());

    fan->SetDocument(nullptr);
    fan->OnControlEvent(1028, CFanOut::EVENT_DISCONNECT, {});
    fan->OnControlEvent(1028, CFanOut::EVENT_SYSTEM_AVAILABLE, {});
    EXPECT_EQ(LogLines("Null Document").size(), 2u);
}

TEST_F(FanOut, ADeviceWhoseControlCannotBeMadeIsNotConnectedAndCostsNoPause) {
    // No control is registered in this machine root.
    PutDevice("Device 01", "File");
    PutDevice("Device 02", "File");
    EXPECT_EQ(Create(), 0u);
    EXPECT_EQ(LogLines("CVekaView::OnCreate(): pDevice->CreateHostConnection()").size(), 2u);
    for (std::size_t slot : {0u, 1u})
        EXPECT_EQ(doc->Device(slot)->GetHost()->GetConnectionState(),
                  core::CONNECTION_DISCONNECTED);
}

TEST_F(FanOut, DevicesFromPosition16OnGetNoControlAndAreNeverConnected) {
    ASSERT_EQ(support::RegisterTestPrinterControl(), platform::S_OK);
    PutDword(kKeyRoot + "\\Defaults\\Device", "Maximum Devices Selectable", 18);
    for (int n = 1; n <= 18; ++n) PutDevice(CVekaDoc::DeviceKeyName("", n), "File");
    EXPECT_EQ(Create(), 16 * CFanOut::kConnectPauseMs);
    ASSERT_EQ(doc->DeviceCount(), 18u);
    EXPECT_NE(HostOf(15), nullptr);
    EXPECT_EQ(fan->SlotObject(16), nullptr);
    EXPECT_EQ(CFanOut::ControlIdOf(16), 0u);
    for (std::size_t slot : {16u, 17u})
        EXPECT_EQ(doc->Device(slot)->GetHost()->GetConnectionState(),
                  core::CONNECTION_DISCONNECTED);
    // An id outside the slots reaches nobody.
    made.journal.clear();
    fan->OnControlEvent(1044, CFanOut::EVENT_RECEIVE, {});
    EXPECT_TRUE(made.journal.empty());
}
