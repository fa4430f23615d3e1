// The local server's port: "TCPPort" of the properties file below the base folder that
// trevo.ini names ([KELM Applications] "BaseDrive" + "BaseDirectory"), 2001 when the file or
// the line is missing. Nothing in the system asks for it; it is kept for whoever needs it.
#pragma once

#include <cstdint>

namespace arlo {

inline constexpr std::uint32_t kDefaultLocalServerPort = 2001;

void GetLocalServerPort(std::uint32_t* port);

}  // namespace arlo
