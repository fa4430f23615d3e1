// The address of a Unix-domain socket at a path of the file system.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>

namespace platform {

// Fills addr and length for path; false with ERROR_INVALID_NAME when the path is empty or
// too long for a socket address.
[[nodiscard]] bool MakeUnixAddress(const std::filesystem::path& path, sockaddr_un& addr,
                                   socklen_t& length);

}  // namespace platform
