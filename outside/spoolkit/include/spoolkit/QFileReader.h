// Reads back the records of a queue file (layout in spoolkit/Spoolkit.h), checking every
// length against what the file holds before anything is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace spoolkit {

struct QRecord {
    std::uint16_t code = 0;
    std::vector<std::uint8_t> data;

    friend bool operator==(const QRecord&, const QRecord&) = default;
};

// Appends the file's records to out in order. False when the bytes end inside a record
// (out then holds the whole records before it).
[[nodiscard]] bool ReadQFileRecords(std::span<const std::uint8_t> bytes, std::vector<QRecord>& out);

}  // namespace spoolkit
