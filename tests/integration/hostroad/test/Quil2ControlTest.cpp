// The road through the real Printer control to a host behind the Session library: the
// connection library loads QUIL2SP for the device's route, its session goes through the
// Session library and the host protocol driver to the host simulator, whose port the
// driver's endpoint map gives. The device's messages and acknowledgements travel as they do
// on a QUILSP route.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HostRoad.h"
#include "brxapicfg/BRXConfig.h"
#include "platform/DynamicLibrary.h"
#include "platform/WholeLines.h"
#include "quilhost/QuilHost.h"
#include "support/EndpointMap.h"
#include "support/LoopbackProvider.h"

namespace hostroad {
namespace {

class Quil2ControlTest : public support::TempRootTest {
protected:
    static constexpr int kDeadlineMs = 10000;

    void SetUp() override {
        ASSERT_TRUE(host.Start());
        map.emplace(host.Port());
        ASSERT_EQ(platform::RegisterServer(platform::MapLibraryName("BRXAPI")), platform::S_OK)
            << platform::ComLastErrorText();
        // The application's session and end system lead to route Q2, made a QUIL2 route.
        support::WriteLoopbackSession("TREVO VEKA", "PRN1", "HOST", "Q2");
        BRXConfig cfg;
        ASSERT_EQ(cfg.SetValue(BRXConfig::kProvidersKey, "QUIL2", "DLL Name", "QUIL2SP.DLL"), 0);
        ASSERT_EQ(cfg.SetValue(BRXConfig::kRoutesKey, "Q2", "Service Provider", "QUIL2"), 0);
        ASSERT_EQ(cfg.SetValue(BRXConfig::kRoutesKey, "Q2", "Device", "PRINTER"), 0);
        ASSERT_EQ(cfg.SetValue(BRXConfig::kRoutesKey, "Q2", "Remote IP Address", "127.0.0.1"), 0);
        ASSERT_EQ(cfg.SetValue(BRXConfig::kRoutesKey, "Q2", "LNIATA", "1A2B01"), 0);

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
        if (HasFailure()) {
            for (const std::string& line : host.Trace()) std::fprintf(stderr, "%s\n", line.c_str());
            const std::optional<std::string> log =
                platform::WholeLines::Of(root.ReadFile("log/veka.log").value_or(""));
            if (log)
                std::fprintf(stderr, "%s\n",
                             log->substr(log->size() > 30000 ? log->size() - 30000 : 0).c_str());
        }
        if (device) device->ShutDown();
        if (cookie) static_cast<void>(slot->Control()->EventSource()->Unadvise(cookie));
        device.reset();
        slot.reset();
        host.Stop();
    }

    bool Pump(const std::function<bool()>& done) { return loop.PumpUntil(done, kDeadlineMs); }
    // Data records the host received from the device, in host code.
    static std::vector<std::string> DataOf(const std::vector<quilhost::HostEvent>& events) {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.kind == quilhost::EventKind::Received && e.record.kind == 1 &&
                !e.record.payload.empty())
                out.push_back(support::ToHex(e.record.payload));
        return out;
    }
    std::vector<std::string> HostData() const { return DataOf(host.Events()); }
    // The loop runs meanwhile, in slices (what the host gets does not wake it): the
    // device's answers leave through it.
    bool HostGot(std::size_t count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
        while (HostData().size() < count) {
            if (std::chrono::steady_clock::now() > end) return false;
            (void)loop.PumpUntil([&] { return HostData().size() >= count; }, 20);
        }
        return true;
    }

    quilhost::QuilHost host;
    std::optional<support::EndpointMap> map;
    platform::EventLoop loop;
    std::unique_ptr<core::CHostCtrl> slot;
    std::unique_ptr<support::CTestDevice> device;
    platform::DWORD cookie = 0;
};

TEST_F(Quil2ControlTest, HostMessageToTheDeviceAndItsAcknowledgementBack) {
    core::CHostTrevo& link = *device->GetHost();
    ASSERT_TRUE(device->HostConnectUnlessPending()) << device->GetLastError();
    ASSERT_TRUE(Pump([&] { return link.GetConnectionState() == core::CONNECTION_CONNECTED; }));
    ASSERT_TRUE(Pump([&] { return link.GetLNIATA() == "1A2B01"; }));
    ASSERT_TRUE(host.WaitForSession(1, kDeadlineMs));

    // After the printer's status request of the driver, the host resets the device, then
    // sends a protected message.
    ASSERT_TRUE(HostGot(1));
    EXPECT_EQ(HostData()[0], "C3 6F F2 F0 4E");
    ASSERT_TRUE(host.SendData(1, support::FromHex("C3 D9 4E")));
    ASSERT_TRUE(HostGot(2));
    EXPECT_EQ(HostData()[1], "C3 7C F2 F0 4E");
    ASSERT_TRUE(host.SendData(1, support::FromHex("C1 C1 C8 00 C9 4E")));
    ASSERT_TRUE(Pump([&] { return device->Written().size() >= 1; }));
    EXPECT_EQ(device->Written(), std::vector<std::string>{"HI"});
    ASSERT_TRUE(HostGot(3));
    EXPECT_EQ(HostData()[2], "C3 C1 F2 F0 4E");
    // One host session for the one device.
    EXPECT_EQ(host.Sessions().size(), 1u);
}

}  // namespace
}  // namespace hostroad
