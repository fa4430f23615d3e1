// A control on the test's thread with its loop, an application "TREVO VEKA" whose session
// "Device 01" has the end systems "HOST A" (its default) and "HOST B", each on a route to
// the loopback provider, and a sink that records the control's events.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "hostcontrol/Controls.h"
#include "platform/EventLoop.h"
#include "support/LoopbackProvider.h"
#include "support/TempRoot.h"
#include "support/TestPrinterControl.h"

namespace hostcontrol_test {

inline constexpr char kApp[] = "TREVO VEKA";
inline constexpr char kSession[] = "Device 01";

template <typename Control>
class ControlTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_NE(support::Loopback(), nullptr);
        support::Loopback()->Reset();
        support::WriteLoopbackSession(kApp, kSession, "HOST A", "Route A");
        support::WriteLoopbackSession(kApp, kSession, "HOST B", "Route B");
        support::WriteLoopbackSession(kApp, kSession, "HOST A", "Route A");  // default again
        control = std::make_unique<Control>();
        ASSERT_EQ(control->EventSource()->Advise(events, &cookie), platform::S_OK);
    }
    void TearDown() override {
        // A test that leaves a connection up does not wait out the destroy wait.
        if (control) control->Device().m_nState = hostcontrol::DEV_NOT_CONNECTED;
        control.reset();
        support::Loopback()->Reset();
    }

    template <typename... A>
    platform::Variant Call(platform::DISPID id, A... args) {
        const std::array<platform::Variant, sizeof...(A)> list{args...};
        platform::Variant result;
        EXPECT_EQ(control->Invoke(id, platform::DispatchKind::Method, list, &result),
                  platform::S_OK)
            << "member " << id;
        return result;
    }
    bool CallBool(platform::DISPID id, auto... args) {
        bool value = false;
        EXPECT_EQ(Call(id, args...).ToBool(value), platform::S_OK);
        return value;
    }
    std::string CallText(platform::DISPID id, auto... args) {
        std::string value;
        EXPECT_EQ(Call(id, args...).ToBStr(value), platform::S_OK);
        return value;
    }
    std::int16_t CallShort(platform::DISPID id) {
        std::int16_t value = 0;
        EXPECT_EQ(Call(id).ToI2(value), platform::S_OK);
        return value;
    }
    std::vector<std::uint8_t> CallBytes(platform::DISPID id) {
        platform::Variant out;
        static_cast<void>(Call(id, platform::Variant::ByRef(out)));
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(out.GetByteArray(bytes), platform::S_OK);
        return bytes;
    }
    static platform::Variant Text(const std::string& s) { return platform::Variant::BStr(s); }

    // The ids of the events so far, and forgets them.
    std::vector<platform::DISPID> TakeEvents() {
        std::vector<platform::DISPID> ids = events->Ids();
        events = std::make_shared<support::EventRecorder>();
        static_cast<void>(control->EventSource()->Unadvise(cookie));
        static_cast<void>(control->EventSource()->Advise(events, &cookie));
        return ids;
    }

    support::LoopbackConnection* Host() { return support::Loopback()->Last(); }

    platform::EventLoop loop;
    std::shared_ptr<support::EventRecorder> events = std::make_shared<support::EventRecorder>();
    platform::DWORD cookie = 0;
    std::unique_ptr<Control> control;
};

}  // namespace hostcontrol_test
