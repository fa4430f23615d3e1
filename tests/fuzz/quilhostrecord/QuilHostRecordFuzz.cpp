// The host simulator's own record decoder and checks over arbitrary records. A record decoded
// without a problem must encode back to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "quilhost/HostRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> wire(data, size);
    quilhost::DecodedRecord d = quilhost::DecodeRecord(wire);
    (void)quilhost::Describe(d.record);
    (void)quilhost::DecodeAcknowledgement(d.record.payload);
    (void)quilhost::DecodeRouting(d.record);
    const bool clean = d.problems.empty();
    quilhost::CheckClientRecord(d.record, d.problems);
    if (clean) {
        quilhost::HostRecord raw = d.record;
        raw.options.clear();  // send the option area exactly as it came
        const std::vector<std::uint8_t> again = quilhost::EncodeRecord(raw);
        if (again.size() != size || !std::equal(again.begin(), again.end(), data)) __builtin_trap();
    }
    return 0;
}
