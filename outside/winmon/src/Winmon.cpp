#include "winmon/Winmon.h"

#include <atomic>
#include <cstring>
#include <string>

#include "platform/HostInfo.h"

namespace winmon {

namespace {

unsigned HostNamePayload(char* buffer, unsigned size) {
    const std::string name = platform::HostName();
    const auto needed = static_cast<unsigned>(name.size() + 1);
    if (buffer != nullptr && size > 0) {
        const unsigned n = needed <= size ? needed - 1 : size - 1;
        std::memcpy(buffer, name.data(), n);
        buffer[n] = '\0';
    }
    return needed;
}

std::atomic<DesktopPayloadSource> g_source{nullptr};

}  // namespace

void SetDesktopPayloadSource(DesktopPayloadSource source) {
    g_source = source;
}

unsigned GetDesktopControlPayload(char* buffer, unsigned size) {
    const DesktopPayloadSource source = g_source.load();
    return source != nullptr ? source(buffer, size) : HostNamePayload(buffer, size);
}

}  // namespace winmon
