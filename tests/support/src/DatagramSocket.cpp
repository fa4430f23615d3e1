#include "support/DatagramSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace support {

DatagramSocket::DatagramSocket(const std::filesystem::path& path) {
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = path.string();
    if (m_fd < 0 || name.size() >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
    m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

DatagramSocket::~DatagramSocket() {
    if (m_fd >= 0) ::close(m_fd);
}

std::optional<std::string> DatagramSocket::Next(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (!m_bound || ::poll(&p, 1, timeoutMs) != 1) return std::nullopt;
    char buffer[8192];
    const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (got < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
}

}  // namespace support
