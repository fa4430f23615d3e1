// What the serial and the parallel port do alike around their lines: the device name, the
// flush and the end of a write, each logging through the port class's own log.
#pragma once

#include <cstdint>
#include <string>

#include "logger/Logger.h"
#include "platform/Win32Error.h"

class Lineservice;

namespace lineserv {

// The device of a port: its name without one trailing ':'.
std::string devicePath(const char* name);

// Logs "<port> <what>: <the calling thread's last error>".
void logLastError(Logger& log, const char* port, const char* what);

// Flushes the line's buffers; logs when that fails.
template <typename Line>
bool flushLine(Line& line, Logger& log, const char* port) {
    if (line.FlushFileBuffers()) return true;
    logLastError(log, port, "FlushFileBuffers failed");
    return false;
}

// The end of a write of `size` bytes, `count` of which went out (`ok`: the line did not
// fail): stores the count, takes the line's errors into the port status after a failure
// and logs a write that stopped short. 1 unless the line failed.
int finishWrite(Lineservice& port, Logger& log, bool ok, platform::DWORD count, std::uint32_t size,
                std::uint32_t* written);

}  // namespace lineserv
