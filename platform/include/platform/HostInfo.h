// Facts about the machine the program runs on: its name, its own IPv4 address and the
// version of its operating system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The longest computer name Windows gives.
inline constexpr std::size_t kMaxComputerNameLength = 15;

// The host name as the system gives it; empty (with the last error) when it cannot be read.
std::string HostName();

// The computer name as Windows gives it: the host name up to its first dot, in capitals,
// at most kMaxComputerNameLength characters. Empty (with the last error) when the host
// name cannot be read.
std::string ComputerName();
std::string ComputerNameFromHostName(std::string_view hostName);

// The first IPv4 address the local host name resolves to, as dotted text ("10.1.2.3");
// empty, with the last error ERROR_FILE_NOT_FOUND, when the name has no IPv4 address.
std::string LocalIPv4Address();

// The version facts a Windows program asks its system for. This system counts as the
// NT family (platform identifier 2: accounts, per-file permissions); the numbers are the
// running kernel's ("6.1.0-18-amd64" is major 6, minor 1, build 0).
inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPlatformWin32Nt = 2;

struct OsVersion {
    std::uint32_t platformId = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string release;  // the kernel's own text
};

// False (with the last error) when the system does not answer.
[[nodiscard]] bool QueryOsVersion(OsVersion& out);
// Reads "major.minor.build" from the front of a kernel release text; missing parts are 0.
void ParseKernelRelease(std::string_view release, OsVersion& out);

}  // namespace platform
