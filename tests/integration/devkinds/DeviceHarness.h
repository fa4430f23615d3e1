// A device of the program driven end to end: its host control is the test Printer control,
// made by class id through the host control wrapper on the test's own event loop, and the
// test plays the host through the control's host side. The control's events reach the
// device as the application's view passes them on.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Device.h"
#include "core/HostCtrl.h"
#include "platform/EventLoop.h"
#include "platform/EventSink.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"
#include "support/TestPrinterControl.h"

namespace devkinds {

// Bytes from hex ("C1 C1 C8 4E").
std::string Hex(std::string_view hex);
// A host message: C1 and C2 (hex), the text in EBCDIC, and EOM 0x4E.
std::string HostMessage(std::string_view c1c2, std::string_view text);
// The text of the acknowledgement's status byte ('0' to '8'), and its third byte.
char AckStatus(const std::string& ack);
char AckType(const std::string& ack);

class DeviceEndToEnd : public support::TempRootTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Values of the device's key ("Device 01") and of others.
    static void PutString(const std::string& key, const char* name, const std::string& value);
    static void PutDword(const std::string& key, const char* name, std::uint32_t value);
    static std::string DeviceKey(const char* device = "Device 01");

    // Makes the device's control, connects it and resets the host link (its answer is the
    // first acknowledgement).
    void Attach(core::CDevice& device);
    // The host sends one message.
    void Deliver(const std::string& message);
    // The host sends one message and waits for the answer to it, as a host waits for the
    // acknowledgement of a protected message before the next: its status character.
    char Send(const std::string& message);
    // Runs the test's loop until n messages went to the host (real time, bounded); all of them.
    std::vector<std::string> WaitSent(std::size_t n);
    // Runs the test's loop until cond holds (real time, bounded). On a fake clock the time
    // moves on by a millisecond at each turn, so that the device's short pauses end.
    bool PumpUntil(const std::function<bool()>& cond);
    void UseFakeClock(support::FakeClockScope* clock) noexcept { m_clock = clock; }

    platform::EventLoop loop;
    core::CHostCtrl ctrl;
    support::TestPrinterHost* host = nullptr;

private:
    class Sink;
    std::shared_ptr<Sink> m_sink;
    support::FakeClockScope* m_clock = nullptr;
    platform::DWORD m_cookie = 0;
};

}  // namespace devkinds
