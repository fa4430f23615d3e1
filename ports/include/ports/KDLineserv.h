// The handle functions: a serial port as an opaque handle for outside programs. A handle
// comes from KDOpenPort and stays valid until KDClosePort; any other value is refused.
#pragma once

#include <cstdint>

#include "platform/Export.h"

class PDM;

extern "C" {

[[nodiscard]] TREVO_EXPORT int KDConfigurePort(void* owner, char* portName);
[[nodiscard]] TREVO_EXPORT int KDEnumPorts(void* combo);
[[nodiscard]] TREVO_EXPORT int KDOpenPort(char* portName, PDM** handle);
[[nodiscard]] TREVO_EXPORT int KDClosePort(PDM* handle);
[[nodiscard]] TREVO_EXPORT int KDStartDocPort(PDM* handle);
[[nodiscard]] TREVO_EXPORT int KDEndDocPort(PDM* handle);
[[nodiscard]] TREVO_EXPORT int KDReadPort(PDM* handle, std::uint8_t* buffer, std::uint32_t size,
                                          std::uint32_t* read);
[[nodiscard]] TREVO_EXPORT int KDWritePort(PDM* handle, std::uint8_t* buffer, std::uint32_t size,
                                           std::uint32_t* written);
}
