#include "quilhost/HostRecord.h"

#include <algorithm>
#include <cstdio>

#include "TextFormat.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"
#include "quilhost/HostCode.h"

namespace quilhost {

namespace {

constexpr std::size_t kHeaders = 20;

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string out;
    char digits[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        out += digits;
    }
    return out;
}

void WalkOptionArea(HostRecord& rec, std::vector<std::string>& problems) {
    const auto& area = rec.optionArea;
    std::size_t pos = 0;
    while (pos < area.size()) {
        if (pos + 1 >= area.size()) {
            problems.push_back(Format("option at offset %u is cut short", unsigned(pos)));
            return;
        }
        const std::uint8_t type = area[pos];
        const std::uint8_t length = area[pos + 1];
        if (type == 0 && length == 0) {
            if (!std::all_of(area.begin() + static_cast<std::ptrdiff_t>(pos), area.end(),
                             [](std::uint8_t b) { return b == 0; }))
                problems.push_back(
                    Format("non-zero bytes after the option fill at offset %u", unsigned(pos)));
            return;
        }
        if (length < 2) {
            problems.push_back(
                Format("option %u at offset %u has length %u", type, unsigned(pos), length));
            return;
        }
        if (pos + length > area.size()) {
            problems.push_back(
                Format("option %u at offset %u (length %u) runs past the option area", type,
                       unsigned(pos), length));
            return;
        }
        HostOption option;
        option.type = type;
        option.body.assign(area.begin() + static_cast<std::ptrdiff_t>(pos) + 2,
                           area.begin() + static_cast<std::ptrdiff_t>(pos) + length);
        rec.options.push_back(std::move(option));
        pos += length;
    }
}

}  // namespace

std::array<std::uint8_t, 8> HostRecord::Identity() const {
    return {terminal[0],  terminal[1],  terminal[2],  filler,
            sessionId[0], sessionId[1], sessionId[2], sessionId[3]};
}

std::string HostRecord::TerminalText() const {
    return Hex(terminal);
}
std::string HostRecord::SessionIdText() const {
    return Hex(sessionId);
}

const HostOption* HostRecord::Option(std::uint8_t t) const {
    for (const auto& o : options)
        if (o.type == t) return &o;
    return nullptr;
}

DecodedRecord DecodeRecord(std::span<const std::uint8_t> wire) {
    DecodedRecord out;
    HostRecord& rec = out.record;
    auto& problems = out.problems;
    platform::ByteReader r(wire);
    std::uint8_t sync = 0, version = 0;
    if (!r.u8(sync) || !r.u8(version) || !r.u8(rec.streamByte2) || !r.u8(rec.streamByte3) ||
        !r.u32be(rec.streamLength)) {
        problems.push_back(
            Format("record of %u bytes is shorter than a stream header", unsigned(wire.size())));
        return out;
    }
    if (sync != 0xFE) problems.push_back(Format("stream sync is %02X, not FE", sync));
    if (version != 1) problems.push_back(Format("stream version is %u, not 1", version));
    if (rec.streamLength != wire.size())
        problems.push_back(Format("stream length %u but the record has %u bytes", rec.streamLength,
                                  unsigned(wire.size())));
    std::uint8_t b0 = 0, b1 = 0;
    if (!r.u8(b0) || !r.u8(b1) || !r.u8(rec.type) || !r.u8(rec.flags) || !r.copy(rec.terminal) ||
        !r.u8(rec.filler) || !r.copy(rec.sessionId)) {
        problems.push_back("the record has no complete session header");
        return out;
    }
    rec.version = b0 >> 4;
    rec.kind = b0 & 0x0F;
    rec.headerWords = b1 >> 4;
    rec.optionWords = b1 & 0x0F;
    if (rec.version != 1)
        problems.push_back(Format("session header version is %u, not 1", rec.version));
    if (rec.headerWords != 3)
        problems.push_back(Format("session header length is %u words, not 3", rec.headerWords));
    const std::size_t announced = std::size_t{rec.optionWords} * 4;
    std::span<const std::uint8_t> area;
    if (r.remaining() < announced) {
        problems.push_back(Format("%u option bytes announced but only %u bytes follow",
                                  unsigned(announced), unsigned(r.remaining())));
        area = r.rest();
        (void)r.skip(r.remaining());
    } else {
        (void)r.bytes(announced, area);
    }
    rec.optionArea.assign(area.begin(), area.end());
    WalkOptionArea(rec, problems);
    rec.payload.assign(r.rest().begin(), r.rest().end());
    return out;
}

void CheckClientRecord(const HostRecord& rec, std::vector<std::string>& problems) {
    if (rec.streamByte2 != 0 || rec.streamByte3 != 0)
        problems.push_back(Format("stream header bytes 2-3 are %02X %02X, not 0", rec.streamByte2,
                                  rec.streamByte3));
    if ((rec.flags & 0x0E) != 0)
        problems.push_back(
            Format("reserved bits 3-1 of header byte 3 are %u, not 0", (rec.flags >> 1) & 7u));
    if (rec.filler != 0)
        problems.push_back(Format("header filler byte is %02X, not 0", rec.filler));
    switch (rec.type) {
        case 0:
        case 2:
        case 3:
            if (rec.kind > 2)
                problems.push_back(Format("session header kind %u is not 0-2", rec.kind));
            break;
        case 7:
            if (rec.kind != 3 || !rec.options.empty() || !rec.payload.empty())
                problems.push_back("a socket keep-alive is kind 3 with no options or data");
            break;
        default:
            problems.push_back(Format("message type %u is not one a client sends", rec.type));
    }
    if ((rec.type == 3 || rec.kind == 2) && !rec.payload.empty())
        problems.push_back(Format(rec.type == 3 ? "a keep-alive carries %u bytes of data"
                                                : "a terminate carries %u bytes of data",
                                  unsigned(rec.payload.size())));
    for (const auto& o : rec.options) {
        const std::size_t size = o.body.size() + 2;
        bool good = true;
        switch (o.type) {
            case 2:
                good = size == 16;
                break;
            case 3:
                good = size == 8;
                break;
            case 4:
                good = size == 32;
                break;
            case 5:
                good = size >= 8 && size <= 20;
                break;
            case 7:
                good = size == 4;
                break;
            case 8:
                good = size == 24;
                break;
            case 9:
                good = size == 12 || size == 20;
                break;
            default:
                problems.push_back(Format("unknown option type %u", o.type));
                continue;
        }
        if (!good) problems.push_back(Format("option %u has length %u", o.type, unsigned(size)));
    }
}

std::vector<std::uint8_t> EncodeRecord(const HostRecord& rec) {
    std::vector<std::uint8_t> area;
    if (rec.options.empty()) {
        area = rec.optionArea;
    } else {
        platform::ByteWriter a(area);
        for (const auto& o : rec.options) {
            a.u8(o.type);
            a.u8(static_cast<std::uint8_t>(o.body.size() + 2));
            a.bytes(o.body);
        }
        a.fill(0, (4 - area.size() % 4) % 4);
    }
    std::vector<std::uint8_t> out;
    out.reserve(kHeaders + area.size() + rec.payload.size());
    platform::ByteWriter w(out);
    w.u8(0xFE);
    w.u8(1);
    w.u8(rec.streamByte2);
    w.u8(rec.streamByte3);
    w.u32be(static_cast<std::uint32_t>(kHeaders + area.size() + rec.payload.size()));
    w.u8(static_cast<std::uint8_t>((rec.version << 4) | (rec.kind & 0x0F)));
    w.u8(static_cast<std::uint8_t>((rec.headerWords << 4) | ((area.size() / 4) & 0x0F)));
    w.u8(rec.type);
    w.u8(rec.flags);
    w.bytes(rec.terminal);
    w.u8(rec.filler);
    w.bytes(rec.sessionId);
    w.bytes(area);
    w.bytes(rec.payload);
    return out;
}

std::optional<Acknowledgement> DecodeAcknowledgement(std::span<const std::uint8_t> p) {
    if (p.size() != 4 && p.size() != 5) return std::nullopt;
    if (p[0] != 0xC3 || (p[2] != 0xF2 && p[2] != 0xF0) || p[3] < 0xF0 || p[3] > 0xF8)
        return std::nullopt;
    if (p.size() == 5 && p[4] != 0x4E && p[4] != 0x15) return std::nullopt;
    Acknowledgement ack;
    const std::string tsn = ShowHostCode(p.subspan(1, 1));
    ack.tsn = p[1] == 0x40 ? '@' : (tsn.size() == 1 ? tsn[0] : '?');
    ack.third = static_cast<char>('0' + (p[2] - 0xF0));
    ack.status = static_cast<char>('0' + (p[3] - 0xF0));
    return ack;
}

std::optional<Routing> DecodeRouting(const HostRecord& rec) {
    const HostOption* o = rec.Option(3);
    if (o == nullptr || o->body.size() != 6) return std::nullopt;
    platform::ByteReader r(o->body);
    Routing routing;
    if (!r.u16le(routing.sequenceId) || !r.u32le(routing.index)) return std::nullopt;
    return routing;
}

std::string Describe(const HostRecord& rec) {
    static const char* const kKinds[] = {"begin", "maintain", "terminate"};
    std::string out = rec.kind < 3 ? kKinds[rec.kind] : Format("kind%u", rec.kind);
    out += Format(" type=%u flags=%02X", rec.type, rec.flags);
    out += " ta=" + rec.TerminalText() + " sid=" + rec.SessionIdText();
    if (!rec.options.empty()) {
        out += " opts=[";
        for (std::size_t i = 0; i < rec.options.size(); ++i) {
            const auto& o = rec.options[i];
            if (i) out += ' ';
            out += Format("%u/%u", o.type, unsigned(o.body.size() + 2));
        }
        if (const auto routing = DecodeRouting(rec))
            out += Format(" seq=%u idx=%u", routing->sequenceId, routing->index);
        out += "]";
    }
    out += Format(" data=%u", unsigned(rec.payload.size()));
    if (!rec.payload.empty()) out += " \"" + ShowHostCode(rec.payload) + "\"";
    return out;
}

}  // namespace quilhost
