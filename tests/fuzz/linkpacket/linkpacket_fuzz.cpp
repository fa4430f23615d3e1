// The link packet header: whatever the bytes, decoding reads only the first 11, encoding the
// result gives them back, and an answer counts exactly when magic, length and kind say so.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "linkpacket/LinkPacketHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace linkpacket;
    const auto header = Decode(std::span(data, size));
    if (size < kHeaderSize) {
        if (header) __builtin_trap();
        return 0;
    }
    if (!header) __builtin_trap();
    const auto bytes = Encode(*header);
    if (std::memcmp(bytes.data(), data, kHeaderSize) != 0) __builtin_trap();
    const bool counts = data[0] == 0xE9 && data[1] == 0x03 && data[2] == 'A' &&
                        header->totalLength <= kMaxAnswerLength;
    if (IsAcceptedAnswer(*header) != counts) __builtin_trap();
    const std::int32_t expected = counts ? static_cast<std::int32_t>(header->code) : 2;
    if (AnswerResult(*header) != expected) __builtin_trap();
    return 0;
}
