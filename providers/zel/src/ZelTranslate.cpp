#include "zel/ZelTranslate.h"

#include <algorithm>
#include <array>

#include "arlo/FrontEndTables.h"

namespace zel {
namespace {

using Table = arlo::Table;

constexpr std::uint8_t kShift = 0x5D;
// Where the text of a received message starts: after the terminal address and C1 C2.
constexpr std::size_t kTextStart = 5;

bool Shifted(std::uint8_t c) {
    static const std::array<bool, 256> shifted = [] {
        std::array<bool, 256> s{};
        for (const int k :
             {0x07, 0x21, 0x23, 0x25, 0x26, 0x28, 0x29, 0x2B, 0x3B, 0x3D, 0x40, 0x88, 0x89, 0xFB})
            s[static_cast<std::size_t>(k)] = true;
        for (int k = 0x5B; k <= 0x5D; ++k) s[static_cast<std::size_t>(k)] = true;
        for (int k = 0x61; k <= 0x7A; ++k) s[static_cast<std::size_t>(k)] = true;
        return s;
    }();
    return shifted[c];
}

const Table& EncodeTable() {
    static const Table t = [] {
        Table e{};
        for (std::size_t c = 0; c < 256; ++c) {
            const auto b = static_cast<std::uint8_t>(c);
            e[c] = Shifted(b) ? arlo::EncodeSecond()[c] : arlo::EncodeFirst()[c];
        }
        e[0x0A] = 0x72;
        e[0x0D] = 0x15;
        e[0x17] = 0x5B;
        e[0x7E] = 0;
        return e;
    }();
    return t;
}

const Table& PrinterEncode() {
    static const Table t = [] {
        Table e = EncodeTable();
        e[0x0A] = 0;
        e[0x0D] = 0;
        e[0x15] = 0x4F;
        e[0x28] = 0x50;
        return e;
    }();
    return t;
}

// Received bytes pass this table before they are decoded; it changes nothing.
std::uint8_t Normalise(std::uint8_t b) {
    return b;
}

bool IsEndOfMessage(std::uint8_t b) {
    return b == 0x4E || b == 0x6D || b == 0x5F || b == 0x7E;
}

bool IsEndControl(std::uint8_t c) {
    return c >= 0x14 && c <= 0x17;
}

// Visits what TranslateToEbcdic writes.
template <typename Put>
void Encode(std::span<const std::uint8_t> text, bool printer, Put put) {
    if (!text.empty() && text.back() == 0x15) text = text.first(text.size() - 1);
    const Table& table = printer ? PrinterEncode() : EncodeTable();
    for (const std::uint8_t c : text) {
        if (!printer && Shifted(c)) put(kShift);
        if (table[c] != 0) put(table[c]);
    }
    if (text.empty() || text.back() != 0x14) put(0x4E);
}

void KAtEnd(Bytes& data) {
    if (data.size() >= kTextStart + 3 && data[data.size() - 3] == 'k') data[data.size() - 3] = '[';
}

}  // namespace

Bytes TranslateToEbcdic(std::span<const std::uint8_t> text, bool printer) {
    Bytes out;
    out.reserve(2 * text.size() + 1);
    Encode(text, printer, [&](std::uint8_t b) { out.push_back(b); });
    return out;
}

std::size_t TranslatedLength(std::span<const std::uint8_t> text, bool printer) {
    std::size_t n = 0;
    Encode(text, printer, [&](std::uint8_t) { ++n; });
    return n;
}

Bytes TranslateToAscii(std::span<const std::uint8_t> data) {
    Bytes out;
    if (data.empty()) return out;
    const Table& plain = arlo::DecodePlain();
    const Table& shifted = arlo::DecodeShifted();
    const bool close = !IsEndOfMessage(data.back());
    out.reserve(data.size() + 1);
    const std::size_t head = std::min<std::size_t>(2, data.size());
    for (std::size_t i = 0; i < head; ++i) out.push_back(plain[Normalise(data[i])]);
    bool shift = false;
    bool blankCount = false;
    for (std::size_t i = head; i < data.size(); ++i) {
        const std::uint8_t b = Normalise(data[i]);
        if (blankCount) {
            blankCount = false;
            std::uint8_t v = plain[b];
            if (v < 'A' || v > 'Z') v = b;
            if (v >= 'A' && v <= 'Z')
                out.insert(out.end(), static_cast<std::size_t>(v - 0x3D), ' ');
            continue;
        }
        if (shift) {
            shift = false;
            const std::uint8_t v = shifted[b];
            if (v == ' ') {
                blankCount = true;
            } else if (v != 0) {
                out.push_back(v);
            }
            continue;
        }
        if (b == kShift) {
            shift = true;
            continue;
        }
        const std::uint8_t v = plain[b];
        if (v == 0) continue;
        out.push_back(v);
        if (IsEndControl(v)) return out;
    }
    if (close && (out.empty() || out.back() != 0x15)) out.push_back(0x15);
    return out;
}

void TranslateC1C2(std::span<std::uint8_t> data, C1C2Form form) {
    if (data.size() < 5) return;
    const std::uint8_t c1 = data[3];
    const std::uint8_t c2 = data[4];
    const bool first = form == C1C2Form::First;
    std::uint8_t o1 = 0xF1;
    std::uint8_t o2 = first ? 0xC1 : 0x6C;  // any other C1
    auto set = [&](std::uint8_t a, std::uint8_t b) {
        o1 = a;
        o2 = b;
    };
    if (c1 == 0x7A && c2 == 0xF5) {
        set(0xF9, 0x6C);
    } else if (c1 == 0x6C) {
        if (c2 == 0x15 || c2 == 0x4F) {
            set(0x6C, 0x15);
        } else if (c2 == 0x6C) {
            set(0x6C, 0x6C);
        } else if (!first && c2 >= 0xC1 && c2 <= 0xC9) {
            set(0xF2, c2);
        } else {
            set(0xF1, 0x6C);
        }
    } else if (c1 == 0x61) {
        if (first && (c2 == 0x15 || c2 == 0x4F)) {
            set(0x6C, 0x15);
        } else if (c2 == 0x4B) {
            set(0xF2, 0xD3);
        } else if (c2 == 0x5B) {
            set(0xF2, 0xC1);
        } else if (c2 == 0x6C) {
            set(0x6C, 0x6C);
        } else if (c2 == 0x6F) {
            set(0xF2, 0xD2);
        } else if (c2 >= 0xC1 && c2 <= 0xC8) {
            set(0xF2, static_cast<std::uint8_t>(c2 + 1));
        } else if (c2 == 0xC9) {
            set(0xF2, 0xD1);
        } else if (c2 >= 0xF4 && c2 <= 0xF6) {
            set(0xF2, static_cast<std::uint8_t>(0xD4 + (c2 - 0xF4)));
        } else {
            set(0xF1, first ? 0x00 : 0xC1);
        }
    }
    data[3] = o1;
    data[4] = o2;
}

void RemoveZeros(Bytes& data) {
    if (data.size() < 3) return;
    data.erase(std::remove(data.begin() + 2, data.end(), 0), data.end());
}

void SubstituteOutgoing(Bytes& text) {
    for (auto& c : text) {
        if (c == 0xE4) {
            c = ',';
        } else if (c == '<') {
            c = '(';
        } else if (c == '>') {
            c = ')';
        }
    }
}

void SubstituteIncoming(Bytes& data) {
    for (std::size_t i = kTextStart; i < data.size(); ++i) {
        std::uint8_t& c = data[i];
        if (c == 0x05) {
            c = '[';
        } else if (c == 'P') {
            c = 0x05;
        } else if (c == ']') {
            c = 'L';
        } else if (c == 'r') {
            c = 0x60;
        } else if (c == 'M') {
            c = 'k';
        }
    }
    KAtEnd(data);
}

void HostTablePass(Bytes& data) {
    for (std::size_t i = kTextStart; i < data.size(); ++i) data[i] = Normalise(data[i]);
    KAtEnd(data);
}

}  // namespace zel
