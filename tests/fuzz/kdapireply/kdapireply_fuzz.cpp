// The manager's reply data as the client lays them out: whatever the count, offsets and
// texts, nothing is written past the caller's capacity, every pointer handed out points at a
// terminated text inside the buffer, and the item block only yields texts inside the data.
//   input: shape (1 byte: 0 devices, 1 paths, 2 item), count (4), capacity (2), data
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "ReplyDecode.h"

namespace {

void CheckTable(std::span<const std::uint8_t> data, std::uint32_t count, std::size_t values,
                std::size_t capacity) {
    std::vector<std::uint8_t> buffer(capacity);  // exactly the capacity: ASan sees any overrun
    std::vector<std::uint8_t> copy(data.begin(), data.end());
    if (!copy.empty()) copy.back() = 0;  // as the reply handler gives them
    const auto result = kdapi::LayOutTable(copy, count, values, buffer);
    if (!result) return;
    if (result->complete > count) __builtin_trap();
    const std::size_t copied = std::min<std::size_t>(capacity, result->fullLength);
    if (copied > 0 && buffer[copied - 1] != 0) __builtin_trap();
    const std::size_t record = (values == 0 ? 0 : 16) + sizeof(void*);
    for (std::uint32_t i = 0; i < result->complete; ++i) {
        const char* text = nullptr;
        std::memcpy(&text, buffer.data() + i * record + record - sizeof(void*), sizeof text);
        const auto* begin = reinterpret_cast<const char*>(buffer.data());
        if (text < begin || text >= begin + capacity) __builtin_trap();
        if (::strnlen(text, static_cast<std::size_t>(begin + capacity - text)) ==
            static_cast<std::size_t>(begin + capacity - text))
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) return 0;
    const std::uint8_t shape = data[0] % 3;
    const std::uint32_t count =
        static_cast<std::uint32_t>(data[1]) << 24 | data[2] << 16 | data[3] << 8 | data[4];
    const std::size_t capacity = static_cast<std::size_t>(data[5] << 8 | data[6]);
    const std::span<const std::uint8_t> body(data + 7, size - 7);
    if (shape == 2) {
        if (const auto item = kdapi::DecodeItem(body)) {
            for (const auto& text : item->texts) {
                const auto* at = reinterpret_cast<const std::uint8_t*>(text.data());
                if (at < body.data() || at + text.size() >= body.data() + body.size())
                    __builtin_trap();
            }
            std::vector<char> out(capacity % 64);
            kdapi::CopyText(item->texts[0], out.data(), static_cast<std::uint32_t>(out.size()));
        }
        return 0;
    }
    CheckTable(body, count, shape == 0 ? 3 : 0, capacity);
    return 0;
}
