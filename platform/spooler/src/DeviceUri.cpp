#include "spooler/Spooler.h"

namespace spooler {

std::string DeviceUriPath(const std::string& strUri) {
    const std::size_t colon = strUri.find(':');
    if (colon == std::string::npos) return {};
    const std::string scheme = strUri.substr(0, colon);
    if (scheme != "serial" && scheme != "parallel" && scheme != "file") return {};
    std::string rest = strUri.substr(colon + 1);
    rest = rest.substr(0, rest.find('?'));
    if (rest.rfind("//", 0) == 0) {
        // An authority part: the path starts at the next slash.
        const std::size_t slash = rest.find('/', 2);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash);
    }
    return rest;
}

}  // namespace spooler
