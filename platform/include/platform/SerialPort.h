// The serial line over a terminal device: termios settings, poll deadlines for the
// time-outs, modem lines and line-error counters through ioctls, and a notification wait
// that synthesises the communication events from what changed. Open exclusively: a port
// in use is refused with ERROR_ACCESS_DENIED.
#pragma once

#include <memory>
#include <string>

#include "platform/PortBackend.h"

namespace platform {

// Opens the terminal device at path as a serial line in raw mode; null with the last
// error set when it cannot be opened or is no terminal.
std::unique_ptr<SerialLine> OpenSerialDevice(const std::string& path);

}  // namespace platform
