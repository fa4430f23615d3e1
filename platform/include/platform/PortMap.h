// The port map: which device stands for a port name. "COMn" is /dev/ttyS(n-1) and "LPTn"
// is /dev/lp(n-1) unless the map names another device for it (a USB adapter, or a
// pseudo-terminal in tests). Entries, first found wins: the programmatic overrides, the
// environment variable TREVO_PORTMAP ("COM1=/dev/ttyUSB0;LPT1=/dev/usb/lp0"), and the
// configuration store's REG_SZ values under HKEY_LOCAL_MACHINE
// "Software\The TREVO Group\Common TREVO API\Port Map" ("COM1"="/dev/ttyUSB0").
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PortBackend.h"

namespace platform {

enum class PortKind { Serial, Parallel };

struct PortId {
    PortKind kind;
    unsigned number;  // 1 for COM1
};

// "COM1", "com12", "LPT2" (no trailing colon); anything else is no port.
std::optional<PortId> ParsePortName(std::string_view name);

// The device path of a port; empty when the name is no port.
std::string PortDevicePath(std::string_view name);

// Programmatic entries, above the environment's; an empty path removes the entry.
void SetPortPath(std::string_view name, const std::string& path);
void ClearPortPaths();

// The ports of the machine in the port list's form ("COM1:", then "LPT1:"), numbers
// ascending: serial ports that have a UART and parallel ports that the printer driver
// knows (from the sysfs classes under sysClass), and every mapped port whose device exists.
std::vector<std::string> EnumerateMachinePorts(
    const std::filesystem::path& sysClass = "/sys/class");

// The default settings of a port, kept in the configuration store under
// "Software\The TREVO Group\Common TREVO API\Port Settings\COMn"; 9600 baud, 8 data bits,
// no parity, one stop bit and no flow control where nothing is stored.
[[nodiscard]] bool GetPortDefaults(std::string_view name, Dcb& dcb);
[[nodiscard]] bool SetPortDefaults(std::string_view name, const Dcb& dcb);

}  // namespace platform
