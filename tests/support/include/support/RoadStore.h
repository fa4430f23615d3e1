// The configuration store of a road from a QUIL host to veka's devices, written as the
// configuration wizard writes it: the QUILSP provider, a printer route per device (named
// after the device) with the session that leads to it, and the devices. Each returns false
// when the store refused a value.
#pragma once

#include <cstdint>
#include <string>

namespace support {

// A route to 127.0.0.1:port for terminal address lniata; keepAliveSeconds > 0 sets both
// keep-alive times (idle and answer) to it.
bool WriteQuilRoute(const std::string& device, const std::string& session, std::uint16_t port,
                    const std::string& lniata, std::uint32_t keepAliveSeconds = 0);
// A File device writing each message to a file of its own in C:\OUT, named after `name`
// with a time stamp.
bool WriteFileDevice(const std::string& device, const std::string& session,
                     const std::string& name);
// A named pipe device on the pipe `pipe`.
bool WritePipeDevice(const std::string& device, const std::string& session,
                     const std::string& pipe);

}  // namespace support
