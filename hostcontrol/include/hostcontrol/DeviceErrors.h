// The device error codes of the host control with their texts, from the module's own string
// table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/StringTable.h"

namespace hostcontrol {

// The codes the device sets itself; a BRXError above 1000 passes through with the
// connection's own text.
enum DeviceError : std::int16_t {
    DEV_NO_ERROR = 0,
    DEV_CONFIGURATION = 1,
    DEV_BAD_APPLICATION = 4,
    DEV_BAD_SESSION = 5,
    DEV_BAD_END_SYSTEM = 6,
    DEV_NO_APPLICATION = 7,
    DEV_NO_DEFAULT_SESSION = 8,
    DEV_NO_ROUTE = 9,
    DEV_NO_DEFAULT_END_SYSTEM = 10,
    DEV_NO_CONNECTION_OBJECT = 11,
    DEV_LINE_DOWN = 13,
    DEV_NO_CONNECTION = 14,
    DEV_TIMED_OUT = 15,
    DEV_QUEUE_EMPTY = 17,
    DEV_QUEUE_ERROR = 18,
    DEV_MORE_DATA = 19,
    DEV_CONNECT_IN_PROGRESS = 20,
    DEV_DISCONNECT_IN_PROGRESS = 21,
    DEV_BUSY = 22,
    DEV_CONNECTION_LOST = 24,
    DEV_CHANGED_SYSTEM = 25,
    DEV_DEVICE_ERROR = 26,
    DEV_HOST_UNAVAILABLE = 28,
};

// The module's own texts (not the main program's).
const platform::StringTable& ModuleStrings();

// The text of a device error code into `text`: true; for a code above 1000 false, `text`
// unchanged.
bool GetErrorText(int code, std::string& text);

}  // namespace hostcontrol
