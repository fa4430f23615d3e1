#include "PortIo.h"

#include "ports/Lineservice.h"

namespace lineserv {

std::string devicePath(const char* name) {
    std::string path(name ? name : "");
    if (!path.empty() && path.back() == ':') path.pop_back();
    return path;
}

void logLastError(Logger& log, const char* port, const char* what) {
    log.logPrint("%s %s: %lu\n", port, what, static_cast<unsigned long>(platform::GetLastError()));
}

int finishWrite(Lineservice& port, Logger& log, bool ok, platform::DWORD count, std::uint32_t size,
                std::uint32_t* written) {
    *written = count;
    if (!ok) {
        static_cast<void>(port.clearPortStatusError());
        return 0;
    }
    if (count != size)
        log.logPrint("%s Probable Write Timeout: Total of %ld bytes sent\n", port.getPortName(),
                     static_cast<long>(count));
    return 1;
}

}  // namespace lineserv
