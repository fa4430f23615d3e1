// The parallel line over the printer driver's device (or any writable device a port is
// mapped to): bounded writes and reads in 1 ms polls and the printer status as line errors.
#pragma once

#include <memory>
#include <string>

#include "platform/PortBackend.h"

namespace platform {

// Null with the last error set when the device cannot be opened or is in use.
std::unique_ptr<ParallelLine> OpenParallelDevice(const std::string& path);

}  // namespace platform
