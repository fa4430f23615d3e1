// A local datagram socket bound to a path, standing for the machine's log or the service
// manager's notification socket: a test reads what the code under test sent to it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace support {

class DatagramSocket {
public:
    explicit DatagramSocket(const std::filesystem::path& path);
    ~DatagramSocket();
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    [[nodiscard]] bool Bound() const noexcept { return m_bound; }
    // The next datagram, waiting at most timeoutMs of real time; nothing at the time-out.
    std::optional<std::string> Next(int timeoutMs = 10000);

private:
    int m_fd = -1;
    bool m_bound = false;
};

}  // namespace support
