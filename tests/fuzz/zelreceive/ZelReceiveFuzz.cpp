// Received data frames through the receive side of a connection (translation, printer forms,
// kinds, the queue) under options taken from the input, then the queue handed out as an
// assembled text, as blocks and message by message.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "brxconn/CMessage.h"
#include "zel/ZelReceiver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    zel::CZelReceiver rx;
    const std::uint8_t flags = data[0];
    rx.translate = flags & 1;
    rx.accumulate = flags & 2;
    rx.binary = flags & 4;
    rx.printer = flags & 8;
    rx.deviceKind = (flags & 16) ? zel::DEVICE_PRINTER : zel::DEVICE_TERMINAL;
    zel::VorsSettings vors;
    vors.hostTrans = (flags & 32) ? 1 : 0;
    vors.c1c2Trans = (flags & 64) ? 1 : 0;
    const std::size_t piece = (data[1] % 48) + 1;
    std::span<const std::uint8_t> rest(data + 2, size - 2);
    std::size_t in = 0;
    for (int frames = 0; !rest.empty() && frames < 64; ++frames) {
        const std::size_t n = std::min(piece, rest.size());
        in += n;
        (void)rx.Process(rest.first(n), vors);
        rest = rest.subspan(n);
    }
    // Blanks runs grow a message at most 26-fold, the layout adds two bytes a column.
    const std::size_t bound = 64 * 4 + in * 30 * 2;
    std::string text;
    for (int calls = 0; rx.Queued() > 0 && calls < 64; ++calls) {
        if (flags & 128) {
            char* block = nullptr;
            int length = 0;
            if (rx.ReceiveBlock(&block, &length) != 0 || length < 0) __builtin_trap();
        } else if (rx.ReceiveText(text) != 0 && text.size() > bound) {
            __builtin_trap();
        }
    }
    if (text.size() > bound) __builtin_trap();
    CMessage m;
    (void)rx.ReceiveMessage(m);
    return 0;
}
