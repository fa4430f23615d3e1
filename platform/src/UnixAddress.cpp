#include "UnixAddress.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/Win32Error.h"

namespace platform {

bool MakeUnixAddress(const std::filesystem::path& path, sockaddr_un& addr, socklen_t& length) {
    const std::string s = path.string();
    std::memset(&addr, 0, sizeof(addr));
    if (s.empty() || s.size() >= sizeof(addr.sun_path)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, s.data(), s.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + s.size() + 1);
    return true;
}

}  // namespace platform
