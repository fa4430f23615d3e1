#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "HostRoad.h"
#include "platform/DynamicLibrary.h"
#include "support/LoopbackProvider.h"

namespace hostroad {
namespace {

// The same road through the real host control: made by its class id after registering
// itself, connecting through the connection library to the loopback provider, which plays
// the host. The provider calls back on the control's thread, or from a thread of its own
// (the callbacks then reach the control through its loop).
class RealControlRoadTest : public ::testing::TestWithParam<bool> {
protected:
    static constexpr platform::DWORD kDeadlineMs = 10000;

    void SetUp() override {
        ASSERT_EQ(platform::RegisterServer(platform::MapLibraryName("BRXAPI")), platform::S_OK)
            << platform::ComLastErrorText();
        ASSERT_NE(support::Loopback(), nullptr);
        support::Loopback()->Reset();
        support::Loopback()->SetConnectResult(0);
        support::WriteLoopbackSession("TREVO VEKA", "PRN1", "HOST", "LOOP 01");
        slot = std::make_unique<core::CHostCtrl>();
        device = std::make_unique<support::CTestDevice>(
            "Device 01", "PRN1",
            std::make_unique<core::CHostTrevo>("Device 01", "HOST", false, false, "", false,
                                               false));
        ASSERT_TRUE(device->CreateHostConnection(slot.get(), 1028, 0)) << device->GetLastError();
        ASSERT_EQ(
            slot->Control()->EventSource()->Advise(std::make_shared<ViewSink>(*device), &cookie),
            platform::S_OK);
        ASSERT_TRUE(device->Start());
    }
    void TearDown() override {
        if (device) device->ShutDown();
        if (host && host->Disconnects() > 0) {
            host->Drop(0);
            EXPECT_TRUE(Pump([&] {
                return device->GetHost()->GetConnectionState() == core::CONNECTION_DISCONNECTED;
            }));
        }
        if (cookie) static_cast<void>(slot->Control()->EventSource()->Unadvise(cookie));
        device.reset();
        slot.reset();
        support::Loopback()->Reset();
    }

    bool Pump(const std::function<bool()>& done) { return loop.PumpUntil(done, kDeadlineMs); }
    std::vector<std::string> SentHex() {
        std::vector<std::string> out;
        for (const auto& s : host->Sent()) out.push_back(Hex(s));
        return out;
    }

    support::TempRoot root;
    platform::EventLoop loop;
    std::unique_ptr<core::CHostCtrl> slot;
    std::unique_ptr<support::CTestDevice> device;
    support::LoopbackConnection* host = nullptr;
    platform::DWORD cookie = 0;
};

TEST_P(RealControlRoadTest, HostMessageToTheDeviceAndItsAcknowledgementBack) {
    const bool ownThread = GetParam();
    core::CHostTrevo& link = *device->GetHost();
    ASSERT_TRUE(device->HostConnectUnlessPending()) << device->GetLastError();
    host = support::Loopback()->Last();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->Route(), "LOOP 01");
    host->FromOwnThread(ownThread);

    host->CompleteConnect(0);
    host->AssignResource("0a1b2c");
    ASSERT_TRUE(Pump([&] { return link.GetConnectionState() == core::CONNECTION_CONNECTED; }));
    ASSERT_TRUE(Pump([&] { return link.GetLNIATA() == "0A1B2C"; }));

    host->Deliver(Msg("C3 D9 4E"));
    ASSERT_TRUE(Pump([&] { return host->Sent().size() >= 1; }));
    EXPECT_EQ(SentHex(), std::vector<std::string>{"C3 7C F2 F0 4E"});

    host->Deliver(Msg("C1 C1 C8 00 C9 4E"));
    ASSERT_TRUE(Pump([&] { return device->Written().size() >= 1; }));
    ASSERT_TRUE(Pump([&] { return host->Sent().size() >= 2; }));
    EXPECT_EQ(SentHex()[1], "C3 C1 F2 F0 4E");

    // The repeat is acknowledged again and not written a second time.
    host->Deliver(Msg("C1 C1 C8 00 C9 4E"));
    ASSERT_TRUE(Pump([&] { return host->Sent().size() >= 3; }));
    EXPECT_EQ(SentHex()[2], "C3 C1 F2 F1 4E");
    EXPECT_EQ(device->Written(), std::vector<std::string>{"HI"});
    EXPECT_EQ(SentHex().size(), 3u);
    const core::CDeviceStatistics s = device->GetStatistics();
    EXPECT_EQ(s.m_dwHostMsgsRcvd, 3u);
    EXPECT_EQ(s.m_dwHostMsgsSent, 3u);
    EXPECT_EQ(s.m_dwDeviceMsgsSent, 1u);
}

INSTANTIATE_TEST_SUITE_P(Callbacks, RealControlRoadTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "FromTheProvidersThread" : "OnTheControlsThread";
                         });

}  // namespace
}  // namespace hostroad
