// The status relay's exports, as the main program binds them by name from the module it
// loads as "VEKAUTIL.DLL", and the two records it takes by value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/EventLoop.h"

// One device's status; every field a NUL-terminated text in its own array.
struct DEVICESTATUS {
    char deviceName[64];
    char deviceType[64];
    char lniata[7];
    char deviceStatus[64];
    char connectionStatus[64];
    char hostStatus[64];
    char message[128];
};
static_assert(sizeof(DEVICESTATUS) == 455);
static_assert(offsetof(DEVICESTATUS, lniata) == 128 &&
              offsetof(DEVICESTATUS, deviceStatus) == 135 &&
              offsetof(DEVICESTATUS, connectionStatus) == 199 &&
              offsetof(DEVICESTATUS, hostStatus) == 263 && offsetof(DEVICESTATUS, message) == 327);

// The tray-icon state: the relay passes the 65 words on without reading them.
struct ICONSTATUS {
    std::uint32_t words[65];
};
static_assert(sizeof(ICONSTATUS) == 260);

extern "C" {
// Stores the window that gets "ZUDUpdateDevices" when a monitor connects; returns 1.
using SetCallbackInterfaceFn = int(platform::HWND window);
// Starts the listener; 1 when it runs, 0 when a thread could not be started.
using BeginListeningFn = int();
// Queues a copy of the status for every connected monitor; never waits for the network.
using SendDeviceStatusFn = int(DEVICESTATUS status);
using SendDeviceIconStatusFn = int(ICONSTATUS icon);
// Kept for the callers that bind them; they do nothing.
using SendEbcdicDataFn = void();
using SendAsciiDataFn = void();
}

// The module's listen address and port, for tests and for machines where the relay should
// not listen on all addresses: dotted address and decimal port.
inline constexpr const char* kRelayAddressVariable = "TREVO_RELAY_ADDRESS";
inline constexpr const char* kRelayPortVariable = "TREVO_RELAY_PORT";
inline constexpr std::uint16_t kRelayDefaultPort = 2373;
