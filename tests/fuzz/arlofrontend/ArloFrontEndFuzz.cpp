// Front-end packets reassembled from pieces of any size, each message decoded and copied
// from the front-end code; the code's encoder over the same bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "arlo/FrontEndText.h"
#include "arlo/ProcessBase.h"
#include "brxconn/CMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t piece = (data[0] % 32) + 1;
    const std::size_t start = data[1] % 4;
    std::span<const std::uint8_t> rest(data + 2, size - 2);
    for (int messages = 0; !rest.empty() && messages < 64; ++messages) {
        arlo::CProcessBase p;
        while (!rest.empty() && !p.IsComplete() && !p.IsError()) {
            const std::size_t n = p.Feed(rest.first(std::min(piece, rest.size())));
            if (n == 0) __builtin_trap();
            rest = rest.subspan(n);
        }
        if (!p.IsComplete()) break;
        std::string bytes;
        (void)p.Message().GetData(bytes);
        const std::span<const std::uint8_t> view(
            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        CMessage decoded;
        arlo::DecodeFrontEndText(view, decoded, start, start / 2);
        if (decoded.GetLength() > static_cast<int>(bytes.size()) * 29 + 2) __builtin_trap();
        CMessage copied;
        arlo::CopyFrontEndText(view, copied, start, 0);
        if (copied.GetLength() > static_cast<int>(bytes.size())) __builtin_trap();
    }
    CMessage encoded;
    arlo::EncodeFrontEndText(encoded, std::span<const std::uint8_t>(data, size));
    if (encoded.GetLength() > static_cast<int>(2 * size + 1)) __builtin_trap();
    return 0;
}
