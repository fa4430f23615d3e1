// The gateway's frame reader fed arbitrary bytes in pieces of arbitrary sizes: every frame
// it yields is one the bytes really held, and it never holds more than a frame and a piece.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "zel/ZelFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = (data[0] % 64) + 1;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    zel::CFrameReader reader;
    std::size_t taken = 0;
    while (!rest.empty()) {
        const std::size_t n = std::min(piece, rest.size());
        if (!reader.Feed(rest.first(n))) break;
        rest = rest.subspan(n);
        while (auto f = reader.Next()) {
            if (f->data.size() > zel::kMaxFrameLength - zel::kLengthBase) __builtin_trap();
            taken += zel::kFrameHeader + f->data.size();
        }
        if (reader.Pending() > 8 + zel::kMaxFrameLength + piece) __builtin_trap();
    }
    if (taken > size) __builtin_trap();
    return 0;
}
