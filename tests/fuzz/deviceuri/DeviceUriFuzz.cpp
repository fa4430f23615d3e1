// The path of a print queue's device URI, as the print server reports it, over any bytes:
// only the local device schemes have one, it is a part of the URI, it carries none of the
// options after "?", and after a "//" host part it starts at a slash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "spooler/Spooler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string uri(reinterpret_cast<const char*>(data), size);
    const std::string path = spooler::DeviceUriPath(uri);
    if (path.empty()) return 0;
    const std::size_t colon = uri.find(':');
    const std::string scheme = uri.substr(0, colon);
    if (scheme != "serial" && scheme != "parallel" && scheme != "file") std::abort();
    if (path.find('?') != std::string::npos) std::abort();
    if (uri.find(path, colon + 1) == std::string::npos) std::abort();
    if (uri.compare(colon + 1, 2, "//") == 0 && path.front() != '/') std::abort();
    return 0;
}
