// The host socket's reading of a received byte stream, fed in pieces of every size: records are
// cut with the socket's rules, stamped and routed by their routing option.
#include <cstddef>
#include <cstdint>
#include <span>

#include "hostdriver/HostSocket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the read size, so that headers and bodies split across reads.
    const std::size_t chunk = static_cast<std::size_t>(data[0] % 32) + 1;
    std::span<const std::uint8_t> stream(data + 1, size - 1);
    quil::RecordReader reader(1U << 16, quildrv::kHostStreamRules);
    const auto take = [](std::span<const std::uint8_t> record) {
        const auto body = quildrv::ReceivedRecordBody(record, 4242);
        std::uint16_t sequenceId = 0;
        std::uint32_t index = 0;
        (void)quildrv::GetIndexFromOpt3Data(sequenceId, index, body.data(), body.size());
    };
    while (!stream.empty()) {
        const std::size_t n = chunk < stream.size() ? chunk : stream.size();
        if (!reader.Feed(stream.first(n), take)) break;
        stream = stream.subspan(n);
    }
    return 0;
}
