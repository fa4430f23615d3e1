#include "hostdriver/DesktopPayload.h"

#include <cstring>
#include <vector>

#include "winmon/Winmon.h"

namespace quildrv {

std::string DesktopPayloadText(std::string* sizes) {
    constexpr unsigned kLimit = 64 * 1024;
    constexpr int kRounds = 4;
    std::vector<char> buffer(512, '\0');
    unsigned size = 500;
    for (int round = 0; round < kRounds; ++round) {
        if (sizes != nullptr)
            *sizes += std::to_string(buffer.size()) + "/" + std::to_string(size) + ";";
        const unsigned needed = winmon::GetDesktopControlPayload(buffer.data(), size);
        if (needed <= size || needed > kLimit || round + 1 == kRounds) break;
        size = needed;
        buffer.assign(static_cast<std::size_t>(needed) + 12, '\0');
    }
    buffer.back() = '\0';
    return std::string(buffer.data(), ::strnlen(buffer.data(), size));
}

}  // namespace quildrv
