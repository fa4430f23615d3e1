#include "wizard/TerminatorData.h"

#include <algorithm>

namespace wizard {

namespace {

// The extended settings page takes 0 to 60 final line feeds.
constexpr std::uint32_t kMaxFinalLineFeeds = 60;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

}  // namespace

std::string DecodeTerminatorField(const std::string& field) {
    std::string bytes;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '~') {
            bytes += field[i];
            continue;
        }
        if (i + 1 >= field.size()) break;  // a lone "~" at the end
        const int high = HexDigit(field[i + 1]);
        const int low = i + 2 < field.size() ? HexDigit(field[i + 2]) : 0;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

std::string MakeTerminatorData(int terminatorType, std::uint32_t finalLineFeeds,
                               const std::string& terminatorField) {
    switch (terminatorType) {
        case 1:
            return "\r\f";
        case 2:
            return "\r";
        case 3:
            return "\r" + std::string(std::min(finalLineFeeds, kMaxFinalLineFeeds), '\n');
        case 4:
            return DecodeTerminatorField(terminatorField);
        default:
            return {};
    }
}

}  // namespace wizard
