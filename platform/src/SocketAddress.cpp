#include "platform/SocketAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>

#include "platform/WinsockError.h"

namespace platform {

std::string SocketAddress::ToString() const {
    char text[32];
    std::snprintf(text, sizeof text, "%s:%u", InetNtoa(ip).c_str(), static_cast<unsigned>(port));
    return text;
}

std::optional<std::uint32_t> InetAddr(std::string_view text) {
    // The longest dotted text in any form ("0x000000ff.0x000000ff...") stays far below this.
    if (text.empty() || text.size() > 63) return std::nullopt;
    char buffer[64];
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    in_addr address{};
    if (inet_aton(buffer, &address) == 0) return std::nullopt;
    return ntohl(address.s_addr);
}

std::string InetNtoa(std::uint32_t ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (ip >> 24) & 0xFFu, (ip >> 16) & 0xFFu,
                  (ip >> 8) & 0xFFu, ip & 0xFFu);
    return text;
}

int ResolveHost(std::string_view name, std::vector<std::uint32_t>& addresses) {
    addresses.clear();
    if (name.empty() || name.size() > 255 || name.find('\0') != std::string_view::npos) {
        WSASetLastError(WSAHOST_NOT_FOUND);
        return WSAHOST_NOT_FOUND;
    }
    const std::string host(name);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc != 0) {
        const int code = WinsockErrorFromResolver(rc);
        WSASetLastError(code);
        return code;
    }
    for (const addrinfo* entry = result; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in)) continue;
        sockaddr_in in{};
        std::memcpy(&in, entry->ai_addr, sizeof in);
        const std::uint32_t ip = ntohl(in.sin_addr.s_addr);
        bool seen = false;
        for (std::uint32_t known : addresses) seen = seen || known == ip;
        if (!seen) addresses.push_back(ip);
    }
    freeaddrinfo(result);
    if (addresses.empty()) {
        WSASetLastError(WSANO_DATA);
        return WSANO_DATA;
    }
    return 0;
}

int ResolveAddress(std::string_view host, std::uint16_t port, SocketAddress& out) {
    if (const auto ip = InetAddr(host)) {
        out = SocketAddress{*ip, port};
        return 0;
    }
    std::vector<std::uint32_t> addresses;
    const int rc = ResolveHost(host, addresses);
    if (rc != 0) return rc;
    out = SocketAddress{addresses.front(), port};
    return 0;
}

std::uint32_t HostToNetwork32(std::uint32_t value) noexcept {
    return htonl(value);
}
std::uint32_t NetworkToHost32(std::uint32_t value) noexcept {
    return ntohl(value);
}
std::uint16_t HostToNetwork16(std::uint16_t value) noexcept {
    return htons(value);
}
std::uint16_t NetworkToHost16(std::uint16_t value) noexcept {
    return ntohs(value);
}

}  // namespace platform
