// Host error texts as the terminal front end takes them: classified (after translation from
// host code) and turned into the client's error and replacement messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "hostdriver/HostErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quildrv;
    const std::span<const std::uint8_t> message(data, size);
    const HostErrorClass error = ClassifyHostError(message);
    if (error.kind < 0 || error.kind > 21 || error.kind == 17) std::abort();
    const auto queued = ErrorMessage(message);
    if (queued.size() != (size < 3 ? size : size + 2)) std::abort();
    if (size >= 3 && (queued[2] != 0x5B || queued[queued.size() - 2] != 0x5B)) std::abort();
    const auto replaced = ReplacementMessage(kRa8sText, message);
    if (replaced.size() != sizeof kRa8sText + (size > 1 ? 2 : 0)) std::abort();
    (void)ClassifyHostErrorText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
