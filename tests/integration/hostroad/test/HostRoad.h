// One device as the application runs it: the user-interface loop on the test's thread, the
// Printer control stand-in made by class id in the device's control slot, a sink that hands
// the control's events to the device as the view does, and a test device with its send
// thread. The test plays the host through the control's host side.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Device.h"
#include "core/HostCtrl.h"
#include "core/HostTrevo.h"
#include "platform/ComRegistry.h"
#include "platform/EventLoop.h"
#include "support/Hex.h"
#include "support/TempRoot.h"
#include "support/TestDevice.h"
#include "support/TestPrinterControl.h"
#include "support/ViewSink.h"

namespace hostroad {

using support::ViewSink;

inline std::string Msg(const char* hex) {
    const auto bytes = support::FromHex(hex);
    return {bytes.begin(), bytes.end()};
}

inline std::string Hex(const std::string& s) {
    return support::ToHex({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
}

class HostRoadTest : public support::TempRootTest {
protected:
    static constexpr platform::DWORD kDeadlineMs = 10000;
    static constexpr std::uint32_t kControlId = 1028;

    void SetUp() override {
        ASSERT_EQ(support::RegisterTestPrinterControl(), platform::S_OK)
            << platform::ComLastErrorText();
    }
    void TearDown() override { Drop(); }

    // Ends the device and empties its slot, as the application closes.
    void Drop() {
        if (cookie) static_cast<void>(slot->Control()->EventSource()->Unadvise(cookie));
        cookie = 0;
        if (device) device->ShutDown();
        device.reset();
        slot.reset();
    }

    // Makes the device, its control in the slot, and starts its send thread.
    void Make() {
        slot = std::make_unique<core::CHostCtrl>();
        device = std::make_unique<support::CTestDevice>(
            "Device 01", "PRN1",
            std::make_unique<core::CHostTrevo>("Device 01", "HOST", false, false, "", false,
                                               false));
        ASSERT_TRUE(device->CreateHostConnection(slot.get(), kControlId, 0))
            << device->GetLastError();
        ASSERT_NE(slot->Control(), nullptr);
        host = support::HostSideOf(*slot->Control());
        ASSERT_NE(host, nullptr);
        ASSERT_EQ(
            slot->Control()->EventSource()->Advise(std::make_shared<ViewSink>(*device), &cookie),
            platform::S_OK);
        ASSERT_TRUE(device->Start());
    }

    // Connects as the view does at start-up, and has the host complete it.
    void Connect() {
        ASSERT_TRUE(device->HostConnectUnlessPending()) << device->GetLastError();
        ASSERT_TRUE(host->CompleteConnect(true));
        ASSERT_TRUE(host->AssignResource("0a1b2c"));
        ASSERT_EQ(device->GetHost()->GetConnectionState(), core::CONNECTION_CONNECTED);
    }

    // Runs the user-interface loop until the host has seen n messages.
    bool PumpUntilSent(std::size_t n) {
        return loop.PumpUntil([&] { return host->Sent().size() >= n; }, kDeadlineMs);
    }

    std::vector<std::string> SentHex() {
        std::vector<std::string> out;
        for (const auto& s : host->Sent()) out.push_back(Hex(s));
        return out;
    }

    platform::EventLoop loop;
    std::unique_ptr<core::CHostCtrl> slot;
    std::unique_ptr<support::CTestDevice> device;
    support::TestPrinterHost* host = nullptr;
    platform::DWORD cookie = 0;
};

}  // namespace hostroad
