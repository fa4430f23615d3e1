// The whole lines of a log read while programs append to it, or left by a program that was
// killed: the input's first byte chooses where it is cut into pieces. Fed in pieces or at
// once, the lines kept are the same; each is whole (ends in its break, holds no zero byte)
// and stands in the input as it was written, in the same order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/WholeLines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string whole = platform::WholeLines::Of(bytes);
    platform::WholeLines lines;
    std::string fed;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        lines.Feed(bytes.substr(at, piece), fed);
    if (fed != whole || whole.size() > bytes.size()) std::abort();
    std::size_t from = 0;
    std::size_t searchFrom = 0;
    while (from < whole.size()) {
        const std::size_t brk = whole.find('\n', from);
        if (brk == std::string::npos) std::abort();
        const std::string_view line(whole.data() + from, brk + 1 - from);
        if (line.find('\0') != std::string_view::npos) std::abort();
        const std::size_t at = bytes.find(line, searchFrom);
        if (at == std::string_view::npos) std::abort();
        searchFrom = at + line.size();
        from = brk + 1;
    }
    return 0;
}
