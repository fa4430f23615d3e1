#include "devices/PrinterFrames.h"

#include <algorithm>

#include "core/BlockCheck.h"

namespace devices {

std::vector<std::uint8_t> MakeATB2Frame(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> frame(data.size() + 6);
    frame[0] = frame[1] = frame[2] = ATB2_STX;
    std::copy(data.begin(), data.end(), frame.begin() + 3);
    frame[data.size() + 3] = ATB2_ETX;
    const std::span<const std::uint8_t> whole(frame);
    const std::uint8_t bcc1 = core::CalculateBCC(whole, false);
    const std::uint8_t bcc2 = core::CalculateBCCRotated(whole, false);
    frame[data.size() + 4] = bcc1;
    frame[data.size() + 5] = bcc2;
    return frame;
}

std::vector<std::uint8_t> MakeAsyncMiniFrame(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> frame(data.size() + 4);
    frame[0] = frame[1] = ASYNC_SYN;
    std::copy(data.begin(), data.end(), frame.begin() + 2);
    frame[data.size() + 2] = ASYNC_ETB;
    frame[data.size() + 3] =
        core::CalculateBCCAsyncMini(std::span<const std::uint8_t>(frame), false);
    return frame;
}

namespace {

// The frame starting with `starts` start bytes, ending with `end` and `checks` check bytes.
// A start whose first end byte has too few bytes after it leaves no whole frame at all:
// any later start would find the same end byte.
CutFrame Cut(std::vector<std::uint8_t>& b, std::uint8_t start, std::size_t starts, std::uint8_t end,
             std::size_t checks) {
    CutFrame cut;
    const std::size_t n = b.size();
    for (std::size_t i = 0; i + starts < n; ++i) {
        if (!std::all_of(b.begin() + static_cast<std::ptrdiff_t>(i),
                         b.begin() + static_cast<std::ptrdiff_t>(i + starts),
                         [&](std::uint8_t x) { return x == start; })) {
            continue;
        }
        const auto first = b.begin() + static_cast<std::ptrdiff_t>(i + starts);
        const auto etx = std::find(first, b.end(), end);
        if (etx == b.end() || static_cast<std::size_t>(b.end() - etx) < checks + 1) return cut;
        const std::size_t j = static_cast<std::size_t>(etx - b.begin());
        cut.bFound = true;
        cut.strData.assign(first, etx);
        cut.nFrameBytes = cut.strData.size() + starts + 1 + checks;
        const std::span<const std::uint8_t> frame(b.data() + i, j + 1 - i);
        if (checks == 2) {
            cut.bCheckOk = b[j + 1] == core::CalculateBCC(frame, false) &&
                           b[j + 2] == core::CalculateBCCRotated(frame, false);
        } else {
            cut.bCheckOk = b[j + 1] == core::CalculateBCCAsyncMini(frame, false);
        }
        b.erase(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(j + 1 + checks));
        return cut;
    }
    return cut;
}

}  // namespace

CutFrame CutATB2Frame(std::vector<std::uint8_t>& gathered) {
    return Cut(gathered, ATB2_STX, 3, ATB2_ETX, 2);
}

CutFrame CutAsyncMiniFrame(std::vector<std::uint8_t>& gathered) {
    return Cut(gathered, ASYNC_SYN, 2, ASYNC_ETB, 1);
}

}  // namespace devices
