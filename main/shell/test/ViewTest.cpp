#include "shell/View.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ShellFixture.h"
#include "core/HostTrevoSeams.h"
#include "shell/Document.h"

using namespace shelltest;
using shell::CStatusList;
using shell::CVekaDoc;
using shell::CVekaView;

namespace {

// A host control that keeps what it was asked to send.
class SendRecorder final : public core::IHostControl {
public:
    bool SendString(const std::string& data) override {
        sent.push_back(data);
        return true;
    }
    std::vector<std::string> sent;
};

class View : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        made.withHosts = true;
    }
    void Make() {
        doc = std::make_unique<CVekaDoc>(app, made.Function());
        shell::ViewHooks hooks;
        hooks.sendToOutsideWindow = [this](platform::UINT msg, platform::WPARAM w) {
            auto& text = outside[msg];
            text.push_back(static_cast<char>(w));
        };
        hooks.updateTray = [this] { ++trayUpdates; };
        hooks.sendStatusToRelay = [this](const CStatusList::Row& row) { relayed.push_back(row); };
        view = std::make_unique<CVekaView>(app, doc.get(), std::move(hooks));
    }
    core::CDevice& Device(std::size_t slot) { return *doc->Device(slot); }
    core::CHostTrevo& Host(std::size_t slot) { return *doc->Device(slot)->GetHost(); }
    void Connected(std::size_t slot, core::eHostState hostState = core::HOST_AVAIL) {
        Host(slot).SetConnectionState(core::CONNECTION_CONNECTED);
        Host(slot).SetHostState(hostState);
    }
    std::vector<std::string> Row(std::size_t row) {
        const auto& r = view->StatusList().Item(row);
        return {r.begin(), r.end()};
    }

    shell::AppState app;
    RecordingConstructor made;
    std::unique_ptr<CVekaDoc> doc;
    std::unique_ptr<CVekaView> view;
    std::map<platform::UINT, std::string> outside;
    int trayUpdates = 0;
    std::vector<CStatusList::Row> relayed;
};

}  // namespace

TEST_F(View, TheRefreshFillsEveryColumnAndRaisesTheWarnings) {
    support::FakeClockScope clock;  // the retries' reconnect time never comes
    PutDevice("Device 01", "File");
    PutDevice("Device 02", "Passport Reader");
    PutDevice("Device 03", "Interface Queue");
    Make();
    view->OnInitialUpdate();
    ASSERT_EQ(view->StatusList().Columns().size(), 7u);
    EXPECT_EQ(view->StatusList().Columns()[2].title, "Trevo Address");
    EXPECT_EQ(view->StatusList().Columns()[6].sampleChars, 80);
    ASSERT_EQ(view->StatusList().Rows(), 3u);

    Connected(0, core::HOST_AVAIL_PERM_HOLD);
    Host(0).SetLNIATA("0A1B2C");
    Connected(2, core::HOST_AVAIL_TEMP_HOLD);
    Device(2).SetDeviceState(core::DEVICE_ONLINE_BUSY);
    Device(2).SetStatusMessage(61209);
    view->UpdateStatusList();
    EXPECT_EQ(Row(0), (std::vector<std::string>{"Name Device 01", "File", "0A1B2C", "AVAILABLE",
                                                "CONNECTED", "HOLD", ""}));
    EXPECT_EQ(Row(1), (std::vector<std::string>{"Name Device 02", "Passport Reader", "",
                                                "AVAILABLE", "CONNECTED", "OFFLINE", ""}));
    EXPECT_EQ(Row(2), (std::vector<std::string>{"Name Device 03", "Interface Queue", "", "BUSY",
                                                "CONNECTED", "TEMP HOLD",
                                                "Process the incoming message block."}));
    // A host hold is no warning.
    EXPECT_FALSE(view->Warning());
    EXPECT_EQ(view->StatusBarText(), "Ready");
    EXPECT_EQ(view->CurrentStatus().index, 3);
    EXPECT_GE(trayUpdates, 1);
    EXPECT_TRUE(relayed.empty());  // not a service

    // An offline device: a device warning; its last error outranks its status message, the
    // host link's outranks both.
    Device(2).SetDeviceState(core::DEVICE_OFFLINE);
    Device(2).SetLastError("device error");
    view->UpdateStatusList();
    EXPECT_EQ(view->StatusList().Text(2, CStatusList::COL_MESSAGE), "device error");
    EXPECT_TRUE(view->Warning());
    EXPECT_FALSE(view->ConnectionWarning());
    EXPECT_EQ(view->CurrentStatus().letter, 'Y');
    EXPECT_EQ(view->StatusBarText(), "Scroll right for message(s).");
    Host(2).SetLastError("host error");
    view->UpdateStatusList();
    EXPECT_EQ(view->StatusList().Text(2, CStatusList::COL_MESSAGE), "host error");

    // A connection that is down outranks it, and is retried on every refresh.
    Host(0).SetConnectionState(core::CONNECTION_DISCONNECTED);
    const std::size_t before = LogLines("CDevice::HostConnectRetry():").size();
    view->UpdateStatusList();
    view->UpdateStatusList();
    EXPECT_EQ(LogLines("CDevice::HostConnectRetry():").size(), before + 2);
    EXPECT_EQ(view->StatusList().Text(0, CStatusList::COL_CONNECTION), "DISCONNECTED");
    EXPECT_TRUE(view->ConnectionWarning());
    EXPECT_EQ(view->CurrentStatus().letter, 'R');
    EXPECT_EQ(view->CurrentStatus().index, 4);

    // In service mode each row goes to the relay.
    app.serviceMode = true;
    view->UpdateStatusList();
    ASSERT_EQ(relayed.size(), 3u);
    EXPECT_EQ(relayed[1][CStatusList::COL_TYPE], "Passport Reader");
}

TEST_F(View, ATemporaryHoldLeftInTheStoreIsReleasedOnceOnTheFirstGreenRefresh) {
    const struct {
        std::uint32_t hold;
        std::optional<std::string> letterText;
        std::optional<std::uint32_t> letterCode;
        std::string sent;  // ASCII, before translation
    } cases[] = {
        {5, "K", std::nullopt, std::string("CK20\x15")},
        {4, "K", std::nullopt, ""},
        {5, " K", std::nullopt, ""},
        {1, std::nullopt, 0x43, std::string("CC20\x15")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hold);
        support::TempRoot caseRoot;
        CRegistry::ForgetAccessMethod();
        CreateSoftwareKey();
        const std::string key = kKeyRoot + "\\Device 01";
        PutDevice("Device 01", "File");
        PutDword(key, "Temp Hold", c.hold);
        if (c.letterText) PutString(key, "Temp Hold Ltsn", *c.letterText);
        if (c.letterCode) PutDword(key, "Temp Hold Ltsn", *c.letterCode);
        Make();
        SendRecorder control;
        Host(0).SetHostControl(&control);
        view->OnInitialUpdate();
        // Not green yet: nothing is looked at.
        Host(0).SetConnectionState(core::CONNECTION_DISCONNECTED);
        view->UpdateStatusList();
        EXPECT_EQ(Get(key, "Temp Hold"), std::to_string(c.hold));
        Connected(0);
        view->UpdateStatusList();
        view->UpdateStatusList();
        std::vector<std::string> expected;
        if (!c.sent.empty()) {
            std::string wire = c.sent;
            Host(0).MsgTranslateAsciiToEbcdic(wire);
            expected.push_back(wire);
        }
        EXPECT_EQ(control.sent, expected);
        EXPECT_EQ(Host(0).m_bRejectProtected.load(), !c.sent.empty());
        EXPECT_EQ(Get(key, "Temp Hold"), "0");
        EXPECT_EQ(Get(key, "Temp Hold Ltsn"), "   ");
        doc->ShutDownDevices();
    }
}

TEST_F(View, TheOutsideWindowGetsTheLniataListAndEachChangedLetter) {
    PutDword(kRoot + "\\Trace", "Sv Display Ptr Lniata", 1);
    PutDevice("Device 01", "Passport Reader");
    PutDevice("Device 02", "File");
    PutDevice("Device 03", "File");
    Make();
    ASSERT_TRUE(view->DisplayPrinterLniata());
    view->OnInitialUpdate();
    Connected(1);
    Host(1).SetLNIATA("0A1B2C");
    Connected(2);
    Host(2).SetLNIATA("0D0E0F");
    view->UpdateStatusList();
    EXPECT_TRUE(outside.empty());  // nobody registered yet

    app.outsideWindow = 77;
    app.outsideWindowArrived = true;
    view->UpdateStatusList();
    EXPECT_EQ(outside[CVekaView::WM_LNIATA_LIST],
              "\x03"
              "00P - 0A1B2C\x02"
              "\x03"
              "01P - 0D0E0F\x02");
    EXPECT_EQ(outside[CVekaView::WM_STATUS_LETTER],
              "\x03"
              "01G\x02"
              "\x03"
              "02G\x02");

    // Unchanged letters are not sent again; a changed one is.
    outside.clear();
    view->UpdateStatusList();
    EXPECT_TRUE(outside.empty());
    Host(2).SetConnectionState(core::CONNECTION_RECONNECTING);
    view->UpdateStatusList();
    EXPECT_EQ(outside[CVekaView::WM_STATUS_LETTER],
              "\x03"
              "02R\x02");

    // A second hand-over resends the list and every letter.
    outside.clear();
    Connected(2);
    app.outsideWindowArrived = true;
    view->UpdateStatusList();
    EXPECT_EQ(outside[CVekaView::WM_LNIATA_LIST].size(), 28u);
    EXPECT_EQ(outside[CVekaView::WM_STATUS_LETTER],
              "\x03"
              "01G\x02"
              "\x03"
              "02G\x02");
}

TEST_F(View, DevicesPastTheSixteenthSlotHaveRowsButAreNeverRetried) {
    support::FakeClockScope clock;
    PutDword(kKeyRoot + "\\Defaults\\Device", "Maximum Devices Selectable", 17);
    for (int n = 1; n <= 17; ++n) PutDevice(CVekaDoc::DeviceKeyName("", n), "File");
    Make();
    view->OnInitialUpdate();  // all disconnected: the first fill retries too
    const std::size_t before = LogLines("CDevice::HostConnectRetry():").size();
    view->UpdateStatusList();
    EXPECT_EQ(view->StatusList().Rows(), 17u);
    EXPECT_EQ(view->StatusList().Text(16, CStatusList::COL_CONNECTION), "DISCONNECTED");
    EXPECT_EQ(LogLines("CDevice::HostConnectRetry():").size(), before + 16);
}

TEST_F(View, TheTimerRefreshesEvery1500MsUntilTheViewIsDestroyed) {
    support::FakeClockScope clock;
    PutDevice("Device 01", "File");
    platform::EventLoop loop;
    Make();
    ASSERT_NE(view->Create(loop), 0u);
    view->OnInitialUpdate();
    const int updates = trayUpdates;
    auto pump = [&] { (void)loop.PumpUntil([] { return false; }, 0); };
    clock.Advance(1499);
    pump();
    EXPECT_EQ(trayUpdates, updates);
    clock.Advance(1);
    pump();
    EXPECT_EQ(trayUpdates, updates + 1);
    EXPECT_EQ(view->StatusBarText(), "Scroll right for message(s).");  // disconnected

    {
        ClockPusher pusher(clock, CVekaView::kDestroyPauseMs);
        view->OnDestroy();
    }
    EXPECT_EQ(clock.Clock().NowMs(), 1500u + CVekaView::kDestroyPauseMs);
    clock.Advance(1500);
    pump();
    EXPECT_EQ(trayUpdates, updates + 1);
}

TEST_F(View, PropertiesOpenOnlyWhenConfigurationIsAllowed) {
    Make();
    std::vector<std::string> opened;
    shell::ViewHooks hooks;
    hooks.openProperties = [&](const std::string& caption) {
        opened.push_back(caption);
        return true;
    };
    CVekaView props(app, doc.get(), hooks);
    props.OnDevicesProperties();
    app.configurationAllowed = false;
    props.OnDevicesProperties();
    EXPECT_EQ(opened, std::vector<std::string>{"Trevo Printing Module Properties"});
}
