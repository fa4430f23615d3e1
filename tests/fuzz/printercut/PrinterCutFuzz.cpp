// The printer line cutters over any bytes, fed in pieces: each cut takes whole frames only
// and never loses a byte it did not hand out; a frame found is rebuilt from its data and
// must be the bytes it was cut from when its checks hold.
//
// Input: one byte of options (bit 0: async-mini; the upper bits: the piece size), the rest
// the line's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devices/PrinterFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool bAsync = data[0] & 0x01;
    const std::size_t piece = (data[0] >> 1) + 1;
    std::vector<std::uint8_t> gathered;
    std::size_t consumed = 0;  // bytes handed out as frames or junk before them
    for (std::size_t pos = 1; pos < size; pos += piece) {
        const std::size_t n = std::min(piece, size - pos);
        gathered.insert(gathered.end(), data + pos, data + pos + n);
        for (;;) {
            const std::size_t before = gathered.size();
            const devices::CutFrame cut =
                bAsync ? devices::CutAsyncMiniFrame(gathered) : devices::CutATB2Frame(gathered);
            if (!cut.bFound) {
                if (gathered.size() != before) std::abort();
                break;
            }
            const std::size_t taken = before - gathered.size();
            if (taken < cut.nFrameBytes) std::abort();
            consumed += taken;
            const std::vector<std::uint8_t> bytes(cut.strData.begin(), cut.strData.end());
            const std::vector<std::uint8_t> frame =
                bAsync ? devices::MakeAsyncMiniFrame(bytes) : devices::MakeATB2Frame(bytes);
            if (frame.size() != cut.nFrameBytes) std::abort();
            if (cut.bCheckOk) {
                const std::uint8_t* end = data + 1 + consumed;
                if (!std::equal(frame.begin(), frame.end(), end - frame.size())) std::abort();
            }
        }
    }
    if (consumed + gathered.size() != size - 1) std::abort();
    return 0;
}
