// Turns the manager's reply data into what the caller's buffers get. The data come from
// outside: every count and offset is checked against the data's length before it is used,
// and nothing is written past the capacity the caller gave. Free of I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kdapi {

struct TableResult {
    std::uint32_t fullLength = 0;  // what the whole table needs in the caller's buffer
    std::uint32_t complete = 0;    // records that arrived whole, their texts included
};

// A table reply: `count` records of `values` 32-bit big-endian words and a 32-bit big-endian
// offset of a NUL-terminated text, the texts after the records. Laid out in `out` as records
// of the values in host order and a pointer to the text (KDDEVICEINFO for 3 values, a bare
// pointer for none), then the texts; cut to out's size with its last byte set to 0. A text
// cut off gets a null pointer. Nothing (and nothing written) when a record or offset lies
// outside the data or points into the records.
std::optional<TableResult> LayOutTable(std::span<const std::uint8_t> data, std::uint32_t count,
                                       std::size_t values, std::span<std::uint8_t> out);

struct ItemReply {
    std::string_view texts[4];
    std::uint32_t value = 0;
};

// Offsets at bytes 0, 4, 8 and 16 of four NUL-terminated texts and a value at byte 12, all
// big-endian. Nothing when the block is short or an offset lies outside the data or its text
// has no NUL within it.
std::optional<ItemReply> DecodeItem(std::span<const std::uint8_t> data);

// Copies text into a buffer of capacity bytes, cut and terminated (nothing for capacity 0).
void CopyText(std::string_view text, char* buffer, std::uint32_t capacity);

}  // namespace kdapi
