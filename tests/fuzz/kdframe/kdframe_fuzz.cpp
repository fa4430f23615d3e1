// The device-manager transport's framing: any byte stream, cut anywhere, yields bodies no
// longer than the limit; a body that decodes as a query or reply encodes back to itself.
#include <cstddef>
#include <cstdint>
#include <span>

#include "kdm32nt/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kdm32nt;
    if (size == 0) return 0;
    const std::size_t slice = data[0] % 16 + 1;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);
    FrameReader reader;
    for (std::size_t at = 0; at < stream.size(); at += slice) {
        reader.Feed(stream.subspan(at, std::min(slice, stream.size() - at)));
        while (const auto body = reader.Next()) {
            if (body->size() > kMaxFrameBody) __builtin_trap();
            std::vector<std::uint8_t> framed = {static_cast<std::uint8_t>(body->size() >> 24),
                                                static_cast<std::uint8_t>(body->size() >> 16),
                                                static_cast<std::uint8_t>(body->size() >> 8),
                                                static_cast<std::uint8_t>(body->size())};
            framed.insert(framed.end(), body->begin(), body->end());
            if (const auto query = DecodeQuery(*body)) {
                if (EncodeQuery(*query) != framed) __builtin_trap();
            } else if (const auto reply = DecodeReply(*body)) {
                if (EncodeReply(*reply) != framed) __builtin_trap();
            }
        }
    }
    return 0;
}
