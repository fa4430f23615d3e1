// A device of the host-link benchmarks as the application runs it: the Printer control
// stand-in in the device's slot, the control's events handed to the device as the view hands
// them, and the benchmark playing the host through the control's host side. Also the store
// values the benchmarks' devices are made from, and the stand-in's registration.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/Device.h"
#include "core/HostCtrl.h"
#include "support/TestPrinterControl.h"

namespace bench {

// The store key of a device of the program ("Device 01").
[[nodiscard]] std::string DeviceKey(const std::string& device);
void PutString(const std::string& key, const char* name, const std::string& text);
void PutDword(const std::string& key, const char* name, std::uint32_t value);

// Registers the stand-in control; false, with the reason printed, when it cannot.
[[nodiscard]] bool RegisterTestControl();

class ControlledDevice {
public:
    // The slot and the device outlive this object.
    ControlledDevice(core::CHostCtrl& slot, core::CDevice& device);
    // Stops the control's events and shuts the device down.
    ~ControlledDevice();
    ControlledDevice(const ControlledDevice&) = delete;
    ControlledDevice& operator=(const ControlledDevice&) = delete;

    // Makes the control and hands its events to the device: the control's host side, or
    // null with the run marked as failed.
    support::TestPrinterHost* Attach(benchmark::State& state);
    // Connects as the view does at start-up, the host completing the connection and giving
    // the terminal address; false with the run marked as failed.
    bool Connect(benchmark::State& state);

private:
    core::CHostCtrl& m_slot;
    core::CDevice& m_device;
    support::TestPrinterHost* m_host = nullptr;
    platform::DWORD m_cookie = 0;
};

}  // namespace bench
