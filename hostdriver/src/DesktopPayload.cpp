#include "hostdriver/DesktopPayload.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace quildrv {

namespace {

unsigned HostNamePayload(char* buffer, unsigned size) {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
    const auto needed = static_cast<unsigned>(std::strlen(name) + 1);
    if (buffer != nullptr && size > 0) {
        const unsigned n = needed <= size ? needed - 1 : size - 1;
        std::memcpy(buffer, name, n);
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

std::string DesktopPayloadText(std::string* sizes) {
    constexpr unsigned kLimit = 64 * 1024;
    constexpr int kRounds = 4;
    std::vector<char> buffer(512, '\0');
    unsigned size = 500;
    for (int round = 0; round < kRounds; ++round) {
        if (sizes != nullptr)
            *sizes += std::to_string(buffer.size()) + "/" + std::to_string(size) + ";";
        const unsigned needed = GetDesktopControlPayload(buffer.data(), size);
        if (needed <= size || needed > kLimit || round + 1 == kRounds) break;
        size = needed;
        buffer.assign(static_cast<std::size_t>(needed) + 12, '\0');
    }
    buffer.back() = '\0';
    return std::string(buffer.data(), ::strnlen(buffer.data(), size));
}

}  // namespace quildrv
