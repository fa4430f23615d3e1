// The handle functions: a serial port as an opaque handle for outside programs. A handle
// comes from KDOpenPort and stays valid until KDClosePort; any other value is refused.
#pragma once

#include <cstdint>

#include "platform/Export.h"

class PDM;

extern "C" {

TREVO_EXPORT int KDConfigurePort(void* owner, char* portName);
TREVO_EXPORT int KDEnumPorts(void* combo);
TREVO_EXPORT int KDOpenPort(char* portName, PDM** handle);
TREVO_EXPORT int KDClosePort(PDM* handle);
TREVO_EXPORT int KDStartDocPort(PDM* handle);
TREVO_EXPORT int KDEndDocPort(PDM* handle);
TREVO_EXPORT int KDReadPort(PDM* handle, std::uint8_t* buffer, std::uint32_t size,
                            std::uint32_t* read);
TREVO_EXPORT int KDWritePort(PDM* handle, std::uint8_t* buffer, std::uint32_t size,
                             std::uint32_t* written);
}
