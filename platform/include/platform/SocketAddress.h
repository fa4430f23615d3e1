// IPv4 socket addresses, dotted-address texts, host-name resolution and the network byte
// order helpers. Addresses are kept in host byte order; only the OS calls see network order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct SocketAddress {
    std::uint32_t ip = 0;  // host byte order: 127.0.0.1 is 0x7F000001
    std::uint16_t port = 0;

    static SocketAddress Loopback(std::uint16_t port) { return {0x7F000001u, port}; }
    static SocketAddress Any(std::uint16_t port) { return {0, port}; }

    // "a.b.c.d:port"
    std::string ToString() const;

    friend bool operator==(const SocketAddress&, const SocketAddress&) = default;
};

// Parses an address text the way the classic dotted-address call does ("10.1.2.3", also the
// short and hexadecimal forms such as "127.1" or "0x7f.0.0.1"); nothing for anything else,
// host names included.
std::optional<std::uint32_t> InetAddr(std::string_view text);
// "a.b.c.d" for an address in host byte order.
std::string InetNtoa(std::uint32_t ip);

// Resolves a host name to its IPv4 addresses, in the resolver's order. Returns 0, or the
// socket error (WSAHOST_NOT_FOUND, WSATRY_AGAIN, WSANO_RECOVERY, WSANO_DATA, ...), which also
// becomes the thread's last socket error.
[[nodiscard]] int ResolveHost(std::string_view name, std::vector<std::uint32_t>& addresses);
// A dotted address is taken as it is; anything else is resolved and its first address used.
// Returns 0 or the socket error, as ResolveHost.
[[nodiscard]] int ResolveAddress(std::string_view host, std::uint16_t port, SocketAddress& out);

std::uint32_t HostToNetwork32(std::uint32_t value) noexcept;
std::uint32_t NetworkToHost32(std::uint32_t value) noexcept;
std::uint16_t HostToNetwork16(std::uint16_t value) noexcept;
std::uint16_t NetworkToHost16(std::uint16_t value) noexcept;

}  // namespace platform
