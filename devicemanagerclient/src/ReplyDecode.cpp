#include "ReplyDecode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "devicemanagerclient/kdapi.h"
#include "platform/ByteReader.h"

namespace kdapi {

namespace {

static_assert(offsetof(KDDEVICEINFO, values) == 0 && sizeof(KDDEVICEINFO) == 16 + sizeof(void*) &&
              offsetof(KDDEVICEINFO, name) == 16);

// Where the pointer sits in a laid-out record with `values` words before it.
constexpr std::size_t PointerOffset(std::size_t values) {
    return (values * 4 + alignof(void*) - 1) / alignof(void*) * alignof(void*);
}

// The text at offset, if it ends (with its NUL) inside data.
std::optional<std::string_view> TextAt(std::span<const std::uint8_t> data, std::uint32_t offset) {
    if (offset >= data.size()) return std::nullopt;
    const auto* start = reinterpret_cast<const char*>(data.data() + offset);
    const std::size_t length = ::strnlen(start, data.size() - offset);
    if (length == data.size() - offset) return std::nullopt;
    return std::string_view(start, length);
}

}  // namespace

std::optional<TableResult> LayOutTable(std::span<const std::uint8_t> data, std::uint32_t count,
                                       std::size_t values, std::span<std::uint8_t> out) {
    const std::size_t wireRecord = values * 4 + 4;
    const std::size_t pointerAt = PointerOffset(values);
    const std::size_t record = pointerAt + sizeof(void*);
    if (count > data.size() / wireRecord) return std::nullopt;
    const std::size_t textsAt = count * wireRecord;
    const std::size_t recordsSize = count * record;
    const std::size_t fullLength = recordsSize + (data.size() - textsAt);
    if (fullLength > UINT32_MAX) return std::nullopt;

    // Values and offsets first, each checked, before anything is written.
    std::vector<std::uint32_t> words(count * (values + 1));
    platform::ByteReader reader(data);
    for (std::uint32_t& word : words)
        if (!reader.u32be(word)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t offset = words[i * (values + 1) + values];
        if (offset < textsAt || !TextAt(data, offset)) return std::nullopt;
    }

    TableResult result;
    result.fullLength = static_cast<std::uint32_t>(fullLength);
    const std::size_t copied = std::min(out.size(), fullLength);
    if (copied == 0) return result;

    std::vector<std::uint8_t> image(fullLength);
    std::copy(data.begin() + static_cast<std::ptrdiff_t>(textsAt), data.end(),
              image.begin() + static_cast<std::ptrdiff_t>(recordsSize));
    bool whole = true;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t* at = image.data() + i * record;
        std::memcpy(at, &words[i * (values + 1)], values * 4);
        const std::uint32_t offset = words[i * (values + 1) + values];
        const std::size_t textPos = recordsSize + (offset - textsAt);
        const std::size_t textEnd = textPos + TextAt(data, offset)->size();  // its NUL
        const char* text = nullptr;
        if (textPos < copied) text = reinterpret_cast<const char*>(out.data() + textPos);
        std::memcpy(at + pointerAt, &text, sizeof text);
        whole = whole && (i + 1) * record <= copied && textEnd < copied;
        if (whole) result.complete = i + 1;
    }
    std::memcpy(out.data(), image.data(), copied);
    out[copied - 1] = 0;
    return result;
}

std::optional<ItemReply> DecodeItem(std::span<const std::uint8_t> data) {
    platform::ByteReader reader(data);
    std::uint32_t offsets[4] = {};
    ItemReply item;
    if (!reader.u32be(offsets[0]) || !reader.u32be(offsets[1]) || !reader.u32be(offsets[2]) ||
        !reader.u32be(item.value) || !reader.u32be(offsets[3]))
        return std::nullopt;
    for (int i = 0; i < 4; ++i) {
        const auto text = TextAt(data, offsets[i]);
        if (!text) return std::nullopt;
        item.texts[i] = *text;
    }
    return item;
}

void CopyText(std::string_view text, char* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return;
    const std::size_t n = std::min<std::size_t>(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace kdapi
