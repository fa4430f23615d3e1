#include "platform/ProfileParser.h"

#include <algorithm>

#include "platform/ByteReader.h"

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return ProfileNamesEqual(n, name); });
}

std::string EntryText(std::string_view key, std::string_view value) {
    std::string text;
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append("=").append(value);
    return text;
}

std::string HeaderText(std::string_view section) {
    std::string text;
    text.reserve(section.size() + 2);
    text.append("[").append(section).append("]");
    return text;
}

}  // namespace

bool ProfileNamesEqual(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

ProfileDocument::Line ProfileParser::ParseLine(std::string_view text) {
    ProfileDocument::Line line;
    line.text.assign(text);
    const std::string_view body = Trim(text);
    if (body.empty()) return line;
    if (body.front() == ';') {
        line.kind = ProfileDocument::LineKind::Comment;
    } else if (body.front() == '[') {
        line.kind = ProfileDocument::LineKind::Section;
        const std::string_view inner = body.substr(1);
        line.name.assign(Trim(inner.substr(0, inner.find(']'))));
    } else {
        line.kind = ProfileDocument::LineKind::Entry;
        const std::size_t eq = body.find('=');
        line.name.assign(Trim(body.substr(0, eq)));
        if (eq != std::string_view::npos) {
            line.hasValue = true;
            line.value.assign(Trim(body.substr(eq + 1)));
        }
    }
    return line;
}

bool ProfileParser::Parse(std::span<const std::uint8_t> bytes, ProfileDocument& out) {
    out = ProfileDocument{};
    if (bytes.size() > kMaxFileSize) return false;

    // First pass: count the lines and check their lengths, so that nothing is allocated
    // for a file that passes the bounds.
    std::size_t lineCount = 0;
    bool crlf = false;
    {
        ByteReader reader(bytes);
        std::size_t length = 0;
        bool firstEnd = true;
        std::uint8_t previous = 0;
        std::uint8_t c = 0;
        while (reader.u8(c)) {
            if (c == '\n') {
                if (firstEnd) crlf = previous == '\r';
                firstEnd = false;
                ++lineCount;
                length = 0;
            } else if (++length > kMaxLineLength) {
                return false;
            }
            previous = c;
        }
        if (length > 0) ++lineCount;
        if (lineCount > kMaxLines) return false;
    }

    ProfileDocument doc;
    doc.m_crlf = crlf;
    doc.m_lines.reserve(lineCount);
    ByteReader reader(bytes);
    while (!reader.empty()) {
        const std::span<const std::uint8_t> rest = reader.rest();
        const auto end = std::find(rest.begin(), rest.end(), std::uint8_t('\n'));
        const std::size_t length = static_cast<std::size_t>(end - rest.begin());
        std::span<const std::uint8_t> raw;
        if (!reader.bytes(length, raw)) return false;
        if (end != rest.end() && !reader.skip(1)) return false;
        std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        doc.m_lines.push_back(ParseLine(text));
    }
    out = std::move(doc);
    return true;
}

std::vector<std::size_t> ProfileDocument::SectionHeaders(std::string_view section) const {
    std::vector<std::size_t> headers;
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == LineKind::Section && ProfileNamesEqual(m_lines[i].name, section))
            headers.push_back(i);
    return headers;
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != LineKind::Section) ++i;
    return i;
}

std::optional<std::string_view> ProfileDocument::Value(std::string_view section,
                                                       std::string_view key) const {
    for (std::size_t header : SectionHeaders(section)) {
        const std::size_t end = SectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            const Line& line = m_lines[i];
            if (line.kind == LineKind::Entry && ProfileNamesEqual(line.name, key)) {
                if (!line.hasValue) return std::nullopt;
                return std::string_view(line.value);
            }
        }
    }
    return std::nullopt;
}

bool ProfileDocument::HasSection(std::string_view section) const {
    return !SectionHeaders(section).empty();
}

std::vector<std::string> ProfileDocument::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : m_lines)
        if (line.kind == LineKind::Section && !Contains(names, line.name))
            names.push_back(line.name);
    return names;
}

std::vector<std::string> ProfileDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    for (std::size_t header : SectionHeaders(section)) {
        const std::size_t end = SectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i)
            if (m_lines[i].kind == LineKind::Entry && !Contains(names, m_lines[i].name))
                names.push_back(m_lines[i].name);
    }
    return names;
}

std::vector<std::string> ProfileDocument::SectionEntries(std::string_view section) const {
    std::vector<std::string> entries;
    for (std::size_t header : SectionHeaders(section)) {
        const std::size_t end = SectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            const Line& line = m_lines[i];
            if (line.kind != LineKind::Entry) continue;
            entries.push_back(line.hasValue ? EntryText(line.name, line.value) : line.name);
        }
    }
    return entries;
}

bool ProfileDocument::SetValue(std::string_view section, std::string_view key,
                               std::string_view value) {
    const std::vector<std::size_t> headers = SectionHeaders(section);
    for (std::size_t header : headers) {
        const std::size_t end = SectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            Line& line = m_lines[i];
            if (line.kind != LineKind::Entry || !ProfileNamesEqual(line.name, key)) continue;
            if (line.hasValue && line.value == Trim(value)) return false;
            // The key keeps the spelling it has in the file.
            line = ProfileParser::ParseLine(EntryText(line.name, value));
            return true;
        }
    }
    if (!headers.empty()) {
        // After the section's last entry, or right after its header.
        const std::size_t header = headers.front();
        std::size_t at = header + 1;
        const std::size_t end = SectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i)
            if (m_lines[i].kind == LineKind::Entry) at = i + 1;
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                       ProfileParser::ParseLine(EntryText(key, value)));
        return true;
    }
    if (!m_lines.empty() && m_lines.back().kind != LineKind::Other)
        m_lines.push_back(ProfileParser::ParseLine(""));
    m_lines.push_back(ProfileParser::ParseLine(HeaderText(section)));
    m_lines.push_back(ProfileParser::ParseLine(EntryText(key, value)));
    return true;
}

bool ProfileDocument::RemoveKey(std::string_view section, std::string_view key) {
    bool changed = false;
    const std::vector<std::size_t> headers = SectionHeaders(section);
    // From the last section back, so that earlier indexes stay valid.
    for (auto h = headers.rbegin(); h != headers.rend(); ++h) {
        const std::size_t end = SectionEnd(*h);
        for (std::size_t i = end; i > *h + 1; --i) {
            const Line& line = m_lines[i - 1];
            if (line.kind == LineKind::Entry && ProfileNamesEqual(line.name, key)) {
                m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i - 1));
                changed = true;
            }
        }
    }
    return changed;
}

bool ProfileDocument::RemoveSection(std::string_view section) {
    const std::vector<std::size_t> headers = SectionHeaders(section);
    for (auto h = headers.rbegin(); h != headers.rend(); ++h) {
        const std::size_t end = SectionEnd(*h);
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*h),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return !headers.empty();
}

std::vector<std::uint8_t> ProfileDocument::Serialize() const {
    const std::string_view eol = m_crlf ? "\r\n" : "\n";
    std::size_t size = 0;
    for (const Line& line : m_lines) size += line.text.size() + eol.size();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    for (const Line& line : m_lines) {
        bytes.insert(bytes.end(), line.text.begin(), line.text.end());
        bytes.insert(bytes.end(), eol.begin(), eol.end());
    }
    return bytes;
}

}  // namespace platform
