// Received QUIL byte streams: cut into records (in reads of varying size), each record rebuilt
// in a buffer, its session header read and its options walked and decoded.
#include <cstddef>
#include <cstdint>
#include <span>

#include "quil/QUILBuffer.h"
#include "quil/RecordReader.h"
#include "quil/SessionOption.h"

namespace {

void TakeRecord(std::span<const std::uint8_t> record) {
    quil::CStreamHeader stream;
    if (!stream.Read(record)) __builtin_trap();  // the reader only yields good headers
    quil::CQUILBuffer buffer;
    if (!buffer.SetStreamHeader(stream)) __builtin_trap();
    if (!buffer.FillFromReceived(record.subspan(quil::kStreamHeaderSize))) __builtin_trap();
    quil::CSessionHeader header;
    if (!buffer.ReadSessionHeader(header)) __builtin_trap();
    const auto options = buffer.Options();
    (void)quil::WalkOptions(options, [](std::span<const std::uint8_t> option) {
        (void)quil::CSessionOption::FromWire(option);
        (void)quil::EndToEndTiming::Parse(option);
        return true;
    });
    (void)quil::RoutingOption::Find(options);
    std::uint8_t area[quil::kMaxOptionBytes] = {};
    const std::size_t n = buffer.GetOptions(area);
    quil::StampEndToEndIn(std::span<std::uint8_t>(area, n), 12345);
    (void)buffer.EndOfMessageKind();
    (void)buffer.PayloadLength();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the read size, so that records split across reads are covered.
    const std::size_t chunk = static_cast<std::size_t>(data[0] % 32) + 1;
    std::span<const std::uint8_t> stream(data + 1, size - 1);
    quil::RecordReader reader(1U << 16);
    while (!stream.empty()) {
        const std::size_t n = chunk < stream.size() ? chunk : stream.size();
        if (!reader.Feed(stream.first(n), TakeRecord)) break;
        stream = stream.subspan(n);
    }
    return 0;
}
