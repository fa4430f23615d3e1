#include "hostdriver/LdapCodec.h"

namespace quildrv::ldap {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kSet = 0x31;
constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kOctets = 0x04;
constexpr std::uint8_t kBoolean = 0x01;
constexpr std::uint8_t kEnumerated = 0x0A;
constexpr std::uint8_t kEqualityFilter = 0xA3;
constexpr std::uint8_t kSimpleAuth = 0x80;
constexpr std::size_t kMaxItems = 4096;

void PutLength(Bytes& out, std::size_t n) {
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
        return;
    }
    Bytes digits;
    for (; n > 0; n >>= 8) digits.insert(digits.begin(), static_cast<std::uint8_t>(n & 0xFF));
    out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
    out.insert(out.end(), digits.begin(), digits.end());
}

Bytes Tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    PutLength(out, content.size());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Text(std::uint8_t tag, const std::string& text) {
    return Tlv(tag, Bytes(text.begin(), text.end()));
}

Bytes Number(std::uint8_t tag, int value) {
    Bytes content;
    auto v = static_cast<std::uint32_t>(value);
    do {
        content.insert(content.begin(), static_cast<std::uint8_t>(v & 0xFF));
        v >>= 8;
    } while (v != 0 && v != 0xFFFFFFFFu);
    if (value >= 0 && (content.front() & 0x80)) content.insert(content.begin(), 0);
    return Tlv(tag, content);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Envelope(int id, const Bytes& op) {
    return Tlv(kSequence, Join({Number(kInteger, id), op}));
}

// Reads one element: its tag and content, within the bytes it is given.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool Empty() const { return m_pos >= m_bytes.size(); }

    bool Next(std::uint8_t& tag, std::span<const std::uint8_t>& content) {
        if (m_bytes.size() - m_pos < 2) return false;
        tag = m_bytes[m_pos];
        std::size_t pos = m_pos + 1;
        std::size_t length = m_bytes[pos++];
        if (length & 0x80) {
            const std::size_t digits = length & 0x7F;
            if (digits == 0 || digits > 4 || m_bytes.size() - pos < digits) return false;
            length = 0;
            for (std::size_t i = 0; i < digits; ++i) length = length << 8 | m_bytes[pos++];
        }
        if (length > m_bytes.size() - pos) return false;
        content = m_bytes.subspan(pos, length);
        m_pos = pos + length;
        return true;
    }

    bool Expect(std::uint8_t want, std::span<const std::uint8_t>& content) {
        std::uint8_t tag = 0;
        return Next(tag, content) && tag == want;
    }

    bool Int(std::uint8_t want, int& value) {
        std::span<const std::uint8_t> content;
        if (!Expect(want, content) || content.empty() || content.size() > 4) return false;
        std::uint32_t v = (content[0] & 0x80) ? 0xFFFFFFFFu : 0;
        for (const std::uint8_t b : content) v = v << 8 | b;
        value = static_cast<int>(v);
        return true;
    }

    bool Str(std::uint8_t want, std::string& value) {
        std::span<const std::uint8_t> content;
        if (!Expect(want, content)) return false;
        value.assign(content.begin(), content.end());
        return true;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

bool ReadEntry(std::span<const std::uint8_t> body, Entry& entry) {
    Reader r(body);
    std::span<const std::uint8_t> list;
    if (!r.Str(kOctets, entry.dn) || !r.Expect(kSequence, list)) return false;
    Reader attributes(list);
    while (!attributes.Empty()) {
        std::span<const std::uint8_t> one;
        std::span<const std::uint8_t> values;
        if (!attributes.Expect(kSequence, one) || entry.attributes.size() >= kMaxItems)
            return false;
        Reader a(one);
        auto& [type, texts] = entry.attributes.emplace_back();
        if (!a.Str(kOctets, type) || !a.Expect(kSet, values)) return false;
        Reader v(values);
        while (!v.Empty()) {
            if (texts.size() >= kMaxItems || !v.Str(kOctets, texts.emplace_back())) return false;
        }
    }
    return true;
}

bool ReadSearch(std::span<const std::uint8_t> body, SearchRequest& search) {
    Reader r(body);
    int deref = 0;
    int sizeLimit = 0;
    std::span<const std::uint8_t> typesOnly;
    std::span<const std::uint8_t> filter;
    std::span<const std::uint8_t> list;
    if (!r.Str(kOctets, search.base) || !r.Int(kEnumerated, search.scope) ||
        !r.Int(kEnumerated, deref) || !r.Int(kInteger, sizeLimit) ||
        !r.Int(kInteger, search.timeLimit) || !r.Expect(kBoolean, typesOnly) ||
        !r.Expect(kEqualityFilter, filter) || !r.Expect(kSequence, list))
        return false;
    Reader f(filter);
    if (!f.Str(kOctets, search.filterAttribute) || !f.Str(kOctets, search.filterValue))
        return false;
    Reader a(list);
    while (!a.Empty())
        if (search.attributes.size() >= kMaxItems ||
            !a.Str(kOctets, search.attributes.emplace_back()))
            return false;
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeBindRequest(int id) {
    return Envelope(
        id, Tlv(0x60, Join({Number(kInteger, 3), Text(kOctets, ""), Text(kSimpleAuth, "")})));
}

std::vector<std::uint8_t> EncodeSearchRequest(int id, const SearchRequest& request) {
    Bytes attributes;
    for (const std::string& a : request.attributes) {
        const Bytes one = Text(kOctets, a);
        attributes.insert(attributes.end(), one.begin(), one.end());
    }
    const Bytes filter =
        Tlv(kEqualityFilter,
            Join({Text(kOctets, request.filterAttribute), Text(kOctets, request.filterValue)}));
    return Envelope(id, Tlv(0x63, Join({Text(kOctets, request.base),
                                        Number(kEnumerated, request.scope), Number(kEnumerated, 0),
                                        Number(kInteger, 0), Number(kInteger, request.timeLimit),
                                        Tlv(kBoolean, {0}), filter, Tlv(kSequence, attributes)})));
}

std::vector<std::uint8_t> EncodeUnbindRequest(int id) {
    return Envelope(id, Bytes{0x42, 0x00});
}

std::vector<std::uint8_t> EncodeEntry(int id, const Entry& entry) {
    Bytes attributes;
    for (const auto& [type, values] : entry.attributes) {
        Bytes set;
        for (const std::string& v : values) {
            const Bytes one = Text(kOctets, v);
            set.insert(set.end(), one.begin(), one.end());
        }
        const Bytes one = Tlv(kSequence, Join({Text(kOctets, type), Tlv(kSet, set)}));
        attributes.insert(attributes.end(), one.begin(), one.end());
    }
    return Envelope(id, Tlv(0x64, Join({Text(kOctets, entry.dn), Tlv(kSequence, attributes)})));
}

std::vector<std::uint8_t> EncodeResult(int id, int op, int resultCode) {
    return Envelope(
        id, Tlv(static_cast<std::uint8_t>(0x60 | op),
                Join({Number(kEnumerated, resultCode), Text(kOctets, ""), Text(kOctets, "")})));
}

std::optional<std::size_t> MessageLength(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return 0;
    if (bytes[0] != kSequence) return std::nullopt;
    if (bytes.size() < 2) return 0;
    std::size_t length = bytes[1];
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t digits = length & 0x7F;
        if (digits == 0 || digits > 4) return std::nullopt;
        if (bytes.size() < 2 + digits) return 0;
        length = 0;
        for (std::size_t i = 0; i < digits; ++i) length = length << 8 | bytes[2 + i];
        header += digits;
    }
    if (length > kMaxMessage) return std::nullopt;
    return header + length;
}

std::optional<Message> Decode(std::span<const std::uint8_t> message) {
    Reader outer(message);
    std::span<const std::uint8_t> envelope;
    if (!outer.Expect(kSequence, envelope) || !outer.Empty()) return std::nullopt;
    Reader r(envelope);
    Message m;
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> body;
    if (!r.Int(kInteger, m.id) || !r.Next(tag, body)) return std::nullopt;
    if ((tag & 0xC0) != 0x40) return std::nullopt;  // an application element
    m.op = tag & 0x1F;
    Reader b(body);
    switch (m.op) {
        case kBindResponse:
        case kSearchResultDone:
            if (!b.Int(kEnumerated, m.resultCode)) return std::nullopt;
            break;
        case kSearchResultEntry:
            if (!ReadEntry(body, m.entry)) return std::nullopt;
            break;
        case kSearchRequest:
            if (!ReadSearch(body, m.search)) return std::nullopt;
            break;
        case kBindRequest:
            if (!b.Int(kInteger, m.version)) return std::nullopt;
            break;
        case kUnbindRequest:
            break;
        default:
            return std::nullopt;
    }
    return m;
}

}  // namespace quildrv::ldap
