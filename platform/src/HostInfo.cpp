#include "platform/HostInfo.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/Win32Error.h"

namespace platform {

namespace {

bool ReadHostName(std::string& out) {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    out = name;
    return true;
}

}  // namespace

std::string ComputerNameFromHostName(std::string_view hostName) {
    hostName = hostName.substr(0, hostName.find('.'));
    hostName = hostName.substr(0, kMaxComputerNameLength);
    std::string name(hostName);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string HostName() {
    std::string host;
    if (!ReadHostName(host)) return {};
    return host;
}

std::string ComputerName() {
    std::string host;
    if (!ReadHostName(host)) return {};
    return ComputerNameFromHostName(host);
}

std::string LocalIPv4Address() {
    std::string host;
    if (!ReadHostName(host)) return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    std::string text;
    for (const addrinfo* a = found; a != nullptr && text.empty(); a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
        sockaddr_in address;
        std::memcpy(&address, a->ai_addr, sizeof address);
        char dotted[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof dotted)) text = dotted;
    }
    ::freeaddrinfo(found);
    if (text.empty()) SetLastError(ERROR_FILE_NOT_FOUND);
    return text;
}

void ParseKernelRelease(std::string_view release, OsVersion& out) {
    std::uint32_t* parts[] = {&out.major, &out.minor, &out.build};
    for (std::uint32_t* part : parts) *part = 0;
    std::size_t i = 0;
    for (std::uint32_t* part : parts) {
        std::uint64_t value = 0;
        std::size_t digits = 0;
        while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(release[i] - '0');
            if (value > UINT32_MAX) value = UINT32_MAX;
            ++i;
            ++digits;
        }
        if (digits == 0) return;
        *part = static_cast<std::uint32_t>(value);
        if (i >= release.size() || release[i] != '.') return;
        ++i;
    }
}

bool QueryOsVersion(OsVersion& out) {
    utsname names{};
    if (::uname(&names) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    out = OsVersion{};
    out.platformId = kPlatformWin32Nt;
    out.release = names.release;
    ParseKernelRelease(out.release, out);
    return true;
}

}  // namespace platform
