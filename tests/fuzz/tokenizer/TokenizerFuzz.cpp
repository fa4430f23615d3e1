// The field scanner over any text: every token begins with the delimiter, holds no other
// delimiter, stands in the text where the walk is, and the walk ends within the text's
// length; the remainder is always the text's tail.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/StringTokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    devices::CStringTokenizer t(text);
    std::size_t steps = 0;
    std::size_t from = 0;
    for (bool more = t.HasToken(); more; more = t.NextToken()) {
        if (++steps > text.size()) std::abort();
        const std::string& token = t.Token();
        if (token.empty() || token[0] != static_cast<char>(t.Delimiter())) std::abort();
        if (token.find(token[0], 1) != std::string::npos) std::abort();
        if (t.Code().size() != 2 || t.Code().compare(0, token.size() - 1, token, 1, 2) != 0)
            std::abort();
        const std::size_t at = text.find(token, from);
        if (at == std::string::npos) std::abort();
        from = at + 1;
        const std::string rest = t.Remainder();
        if (text.compare(text.size() - rest.size(), rest.size(), rest) != 0) std::abort();
    }
    const std::string rest = t.Remainder();
    if (rest.size() > text.size() ||
        text.compare(text.size() - rest.size(), rest.size(), rest) != 0)
        std::abort();
    return 0;
}
