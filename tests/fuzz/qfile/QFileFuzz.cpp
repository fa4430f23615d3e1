// Queue files as a broken disk or another program may leave them: the reader takes whole
// records only, and the records it takes account for exactly the bytes it read.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "spoolkit/QFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<spoolkit::QRecord> records;
    const bool whole = spoolkit::ReadQFileRecords(std::span(data, size), records);
    std::size_t used = 0;
    for (const auto& r : records) used += 4 + r.data.size();
    if (used > size || (whole && used != size) || (!whole && used == size)) std::abort();
    return 0;
}
