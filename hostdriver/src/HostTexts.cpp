#include "hostdriver/HostTexts.h"

#include <strings.h>

#include <cstdio>

namespace quildrv {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> BytesFromText(std::string_view text) {
    if (text.size() < 2 * N) return std::nullopt;
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return out;
}

template <std::size_t N>
std::string BytesText(const std::array<std::uint8_t, N>& bytes) {
    std::string out;
    char two[3];
    for (const std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%2.2X", b);
        out += two;
    }
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Calls visit(start, name) for each ";"-ended entry in order (the name is the text before
// the entry's first "/") until it answers false.
template <class Visit>
void ForEachEntry(std::string_view list, Visit visit) {
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find(';', start);
        const std::string_view entry = list.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!visit(start, entry.substr(0, entry.find('/'))) || end == std::string_view::npos)
            return;
        start = end + 1;
    }
}

}  // namespace

std::string RidText(const Rid& rid) {
    return BytesText(rid);
}

std::string LidText(const Lid& lid) {
    return BytesText(lid);
}

std::optional<Rid> RidFromText(std::string_view text) {
    return BytesFromText<3>(text);
}

std::optional<Lid> LidFromText(std::string_view text) {
    return BytesFromText<4>(text);
}

std::uint32_t LidNumber(const Lid& lid) {
    return std::uint32_t{lid[0]} << 24 | std::uint32_t{lid[1]} << 16 | std::uint32_t{lid[2]} << 8 |
           lid[3];
}

std::size_t FindEntry(std::string_view list, std::string_view host) {
    if (host.empty()) return std::string_view::npos;
    std::size_t found = std::string_view::npos;
    ForEachEntry(list, [&](std::size_t start, std::string_view name) {
        if (!SameName(name, host)) return true;
        found = start;
        return false;
    });
    return found;
}

std::string_view EntryOf(std::string_view list, std::string_view host) {
    const std::size_t at = FindEntry(list, host);
    if (at == std::string_view::npos) return {};
    const std::size_t end = list.find(';', at);
    return list.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at + 1);
}

std::optional<std::string> EntryField(std::string_view entry, std::string_view key) {
    std::size_t at = 0;
    while ((at = entry.find('/', at)) != std::string_view::npos) {
        ++at;
        if (entry.substr(at, key.size()) == key && entry.substr(at + key.size(), 1) == "=") {
            const std::size_t from = at + key.size() + 1;
            const std::size_t to = entry.find_first_of("/;", from);
            return std::string(entry.substr(
                from, to == std::string_view::npos ? std::string_view::npos : to - from));
        }
    }
    return std::nullopt;
}

std::string RemoveEntry(std::string_view list, std::string_view host) {
    std::string out(list);
    for (std::size_t at = FindEntry(out, host); at != std::string::npos;
         at = FindEntry(out, host)) {
        const std::size_t end = out.find(';', at);
        out.erase(at, end == std::string::npos ? std::string::npos : end - at + 1);
    }
    return out;
}

std::string ReplaceEntry(std::string_view list, std::string_view host, std::string_view entry) {
    std::string out = RemoveEntry(list, host);
    if (!out.empty() && out.back() != ';') out += ';';
    out += entry;
    return out;
}

std::vector<std::string> EntryHosts(std::string_view list) {
    std::vector<std::string> hosts;
    ForEachEntry(list, [&](std::size_t, std::string_view name) {
        if (!name.empty()) hosts.emplace_back(name);
        return true;
    });
    return hosts;
}

std::string OtherHostEntry(std::string_view host, int state, const Lid& lid, const Rid& rid) {
    std::string entry(host);
    entry +=
        "/STATE=" + std::to_string(state) + "/LID=" + LidText(lid) + "/RID=" + RidText(rid) + ";";
    return entry;
}

bool AddListName(std::string& list, std::string_view name, std::size_t limit) {
    if (name.empty() || name.find_first_of(";/") != std::string_view::npos ||
        FindEntry(list, name) != std::string_view::npos)
        return false;
    // A list whose last entry lacks its ";" (written by hand, say) keeps that entry apart.
    const bool closeLast = !list.empty() && list.back() != ';';
    if (list.size() + (closeLast ? 1 : 0) + name.size() + 1 > limit) return false;
    if (closeLast) list += ';';
    list += name;
    list += ';';
    return true;
}

std::optional<std::string> TakeFirstName(std::string& list) {
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        std::string name = list.substr(0, end);
        list.erase(0, end == std::string::npos ? std::string::npos : end + 1);
        if (!name.empty()) return name;
    }
    return std::nullopt;
}

}  // namespace quildrv
