// The coupon printer's reply cutter over any bytes, fed in pieces: a cut takes the reply and
// what stood before it, never more than the gathered bytes, and the text it gives is what
// stood between a header and its trailer. A frame of a text is rebuilt and checked too.
//
// Input: one byte of options (the piece size), the rest the line's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devices/CouponFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = data[0] + 1u;
    std::vector<std::uint8_t> gathered;
    std::size_t taken = 0;
    for (std::size_t pos = 1; pos < size; pos += piece) {
        const std::size_t n = std::min(piece, size - pos);
        gathered.insert(gathered.end(), data + pos, data + pos + n);
        for (std::size_t round = 0; round <= size; ++round) {
            const std::size_t before = gathered.size();
            const auto text = devices::CutCouponReply(gathered);
            if (!text) {
                if (gathered.size() != before) std::abort();
                break;
            }
            const std::size_t cut = before - gathered.size();
            if (cut < text->size() + 10) std::abort();
            // The text stands just before its trailer and check byte.
            const std::uint8_t* end = data + 1 + taken + cut;
            const auto* textBytes = reinterpret_cast<const std::uint8_t*>(text->data());
            if (!std::equal(textBytes, textBytes + text->size(), end - 3 - text->size()))
                std::abort();
            if (end[-3] != 0x20 || end[-2] != 0x03) std::abort();
            taken += cut;
        }
    }
    if (taken + gathered.size() != size - 1) std::abort();
    const auto frame = devices::MakeCouponFrame(std::span(data + 1, size - 1));
    if (size - 1 < 2) {
        if (frame) std::abort();
    } else if (!frame || frame->size() < 13 || frame->size() > size - 1 + 11) {
        std::abort();
    }
    return 0;
}
