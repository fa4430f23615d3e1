// Datagrams arriving at a window endpoint from any program: decoding never reads past the
// datagram, and a frame that decodes writes back as exactly the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/WindowFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    platform::WindowFrame frame;
    if (!platform::WindowFrame::Decode(bytes, frame)) return 0;
    std::vector<std::uint8_t> written;
    if (!frame.Encode(written) || written.size() != size ||
        !std::equal(written.begin(), written.end(), bytes.begin()))
        std::abort();
    return 0;
}
