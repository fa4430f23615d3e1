#include "arlo/LocalServerPort.h"

#include <strings.h>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/Path.h"
#include "platform/Profile.h"

namespace arlo {
namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

void GetLocalServerPort(std::uint32_t* port) {
    if (!port) return;
    *port = kDefaultLocalServerPort;
    char drive[9] = {};
    char folder[99] = {};
    (void)platform::GetPrivateProfileString("KELM Applications", "BaseDrive", "C:", drive,
                                            sizeof drive, "trevo.ini");
    (void)platform::GetPrivateProfileString("KELM Applications", "BaseDirectory", "\\trevo", folder,
                                            sizeof folder, "trevo.ini");
    const auto path =
        platform::MapPath(std::string(drive) + folder + "\\apps\\TAVRIX\\jserver.properties");
    if (path.empty()) return;
    std::ifstream file(path);
    std::string line;
    while (file && std::getline(file, line)) {
        if (line.size() > 1023) line.resize(1023);
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (strcasecmp(Trim(line.substr(0, eq)).c_str(), "TCPPort") != 0) continue;
        const std::string value = Trim(line.substr(eq + 1));
        if (!value.empty())
            *port = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
        return;
    }
}

}  // namespace arlo
