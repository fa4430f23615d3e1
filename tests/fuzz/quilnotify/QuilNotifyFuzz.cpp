// Host notifications: any bytes, in both parsing modes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "quilsp/NotificationMsg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    for (int mode = 0; mode <= 2; ++mode) {
        const quilsp::CNotificationMsg msg(bytes, mode);
        if (msg.Lniata().size() > 6) __builtin_trap();
        if (msg.HasCode() && (mode != 1 || msg.Code()[0] != '/')) __builtin_trap();
    }
    return 0;
}
