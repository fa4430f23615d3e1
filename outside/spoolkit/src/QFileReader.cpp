#include "spoolkit/QFileReader.h"

#include "platform/ByteReader.h"

namespace spoolkit {

bool ReadQFileRecords(std::span<const std::uint8_t> bytes, std::vector<QRecord>& out) {
    platform::ByteReader reader(bytes);
    while (!reader.empty()) {
        QRecord record;
        std::uint16_t length = 0;
        std::span<const std::uint8_t> data;
        if (!reader.u16le(record.code) || !reader.u16le(length) || !reader.bytes(length, data))
            return false;
        record.data.assign(data.begin(), data.end());
        out.push_back(std::move(record));
    }
    return true;
}

}  // namespace spoolkit
