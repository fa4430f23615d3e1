#include "hostdriver/HostErrors.h"

#include "hostdriver/HostCode.h"

namespace quildrv {

namespace {

struct Entry {
    const char* text;
    int kind;
    int code;
};

constexpr Entry kTable[] = {
    {"P01", 0, 1032},  {"P02", 1, 1033},  {"S01", 2, 1034},  {"S02", 3, 1035},  {"S03", 4, 1036},
    {"S04", 5, 1037},  {"S05", 6, 1038},  {"S06", 7, 1039},  {"S07", 8, 1040},  {"S08", 9, 1046},
    {"S09", 10, 1047}, {"S10", 11, 1048}, {"S11", 12, 1049}, {"C01", 13, 1041}, {"C02", 14, 1042},
    {"C03", 15, 1043}, {"C04", 16, 1044}, {"C06", 18, 1050},
};

bool ReadsAt(std::string_view text, std::size_t at, std::string_view what) {
    return text.size() >= at + what.size() && text.substr(at, what.size()) == what;
}

}  // namespace

HostErrorClass ClassifyHostErrorText(std::string_view text) {
    if (text.size() < 3) return {};
    for (const Entry& e : kTable)
        if (text.substr(0, 3) == e.text) return {e.kind, e.code};
    if (ReadsAt(text, 2, "HOST UNREACHABLE")) return {19, 1016};
    if (ReadsAt(text, 2, "A CRITICAL FOS OUTAGE")) return {20, 1051};
    return {};
}

HostErrorClass ClassifyHostError(std::span<const std::uint8_t> hostCode) {
    const std::optional<std::string> text = ToClientText(hostCode);
    return text ? ClassifyHostErrorText(*text) : HostErrorClass{};
}

std::vector<std::uint8_t> ErrorMessage(std::span<const std::uint8_t> message) {
    if (message.size() < 3) return {message.begin(), message.end()};
    std::vector<std::uint8_t> out(message.begin(), message.begin() + 2);
    out.push_back(0x5B);
    out.insert(out.end(), message.begin() + 2, message.end() - 1);
    out.push_back(0x5B);
    out.push_back(message.back());
    return out;
}

std::vector<std::uint8_t> ReplacementMessage(std::span<const std::uint8_t> text,
                                             std::span<const std::uint8_t> replaced) {
    std::vector<std::uint8_t> out;
    if (replaced.size() > 1) out.assign(replaced.begin(), replaced.begin() + 2);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

}  // namespace quildrv
