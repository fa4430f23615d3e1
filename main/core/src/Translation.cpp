#include "core/Translation.h"

#include <initializer_list>
#include <utility>

namespace core {

namespace {

using Table256 = std::array<std::uint8_t, 256>;

constexpr Table256 MakeEbcdicToCode(bool bPlatform) {
    Table256 t{};
    for (auto& v : t) v = 0x10;  // no character
    constexpr std::pair<std::uint8_t, std::uint8_t> kSingles[] = {
        {0x05, 0x2C}, {0x0F, 0x0F}, {0x15, 0x0C}, {0x3E, 0x3E}, {0x3F, 0x3F}, {0x40, 0x1C},
        {0x4B, 0x3B}, {0x4C, 0x3C}, {0x4D, 0x1F}, {0x4E, 0x1D}, {0x4F, 0x0C}, {0x50, 0x2F},
        {0x5B, 0x2B}, {0x5C, 0x0B}, {0x5D, 0x2E}, {0x5F, 0x2D}, {0x60, 0x1A}, {0x61, 0x11},
        {0x6B, 0x1B}, {0x6D, 0x0D}, {0x6E, 0x1E}, {0x6F, 0x3A}, {0x72, 0x0E}, {0x7A, 0x2A},
        {0x7C, 0x20}, {0x7D, 0x30}, {0x7E, 0x3D}, {0xF0, 0x0A}};
    for (const auto& [ebcdic, code] : kSingles) t[ebcdic] = code;
    for (int i = 0; i < 9; ++i) {
        t[0xC1 + i] = static_cast<std::uint8_t>(0x31 + i);
        t[0xD1 + i] = static_cast<std::uint8_t>(0x21 + i);
        t[0xF1 + i] = static_cast<std::uint8_t>(0x01 + i);
    }
    for (int i = 0; i < 8; ++i) t[0xE2 + i] = static_cast<std::uint8_t>(0x12 + i);
    if (bPlatform) {
        t[0x50] = 0x40;  // "("
        t[0x5D] = 0x41;  // ")": no shift byte in platform titles
    }
    return t;
}

constexpr Table256 MakeAsciiCodeFlags() {
    Table256 t{};
    for (std::uint8_t b : {0x07, 0x21, 0x23, 0x25, 0x26, 0x28, 0x29, 0x2B, 0x3B, 0x3D, 0x40, 0x5B,
                           0x5C, 0x5D, 0x88, 0x89, 0xFB}) {
        t[b] = 0x40;
    }
    for (int b = 0x61; b <= 0x7A; ++b) t[b] = 0x40;
    return t;
}

}  // namespace

const Table256 g_abyEbcdicToCode = MakeEbcdicToCode(false);
const Table256 g_abyEbcdicToCodePlatform = MakeEbcdicToCode(true);

const std::array<std::uint8_t, 68> g_abyCodeToAscii = {
    0x00, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30, 0x2A, 0x0D, 0x14,
    0x0D, 0x00, 0x00, 0x2F, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x2D, 0x2C,
    0x20, 0x15, 0xBB, 0x5E, 0x40, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52,
    0x3A, 0x23, 0x3C, 0x16, 0x10, 0x86, 0x24, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47,
    0x48, 0x49, 0x3F, 0x2E, 0x3E, 0x17, 0x00, 0x00, 0x28, 0x29, 0x00, 0x00};

const std::array<std::uint8_t, 80> g_abyCodeToAsciiAfterDLE = {
    0x00, 0x00, 0x00, 0x80, 0x81, 0x82, 0x83, 0x07, 0xA7, 0x84, 0x85, 0x00, 0x24, 0x14,
    0x28, 0x00, 0x00, 0x88, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x5B, 0x5D,
    0x20, 0x15, 0x00, 0x3D, 0x40, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72,
    0x21, 0x2B, 0x5C, 0x16, 0x29, 0x89, 0x23, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67,
    0x68, 0x69, 0x25, 0x3B, 0x26, 0x17, 0x00, 0x00, 0x0C, 0x00};

const Table256 g_abyAsciiCodeFlags = MakeAsciiCodeFlags();

const Table256 g_abyAsciiToEbcdic = {
    0x6C, 0x7C, 0x00, 0x00, 0x4F, 0x00, 0x00, 0xF7, 0x00, 0x05, 0x72, 0x00, 0x00, 0x15, 0x00, 0x0F,
    0x00, 0x00, 0x00, 0x00, 0x6D, 0x4E, 0x5F, 0x5B, 0x4D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00,
    0x40, 0x7A, 0x00, 0x7D, 0x7D, 0x6F, 0x4C, 0x00, 0x72, 0x5D, 0x5C, 0x5B, 0x6B, 0x60, 0x4B, 0x61,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x4B, 0x05, 0x4D, 0x4C, 0x6F,
    0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x60, 0x05, 0x6B, 0x4D, 0x00,
    0x00, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x50, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x5B, 0x61, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5B, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x7C, 0x5B, 0x00, 0x4F, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0x40, 0x40, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x00, 0x00, 0x6C, 0x4F};

namespace {

bool IsAsciiEom(std::uint8_t b) noexcept {
    return b >= ASCII_EOM_I && b <= ASCII_EOM_PB;
}

class CountSink {
public:
    void Put(std::uint8_t) noexcept { ++m_n; }
    void PutRun(std::uint8_t, std::size_t n) noexcept { m_n += n; }
    bool Full() const noexcept { return false; }
    std::size_t Count() const noexcept { return m_n; }

private:
    std::size_t m_n = 0;
};

class SpanSink {
public:
    explicit SpanSink(std::span<std::uint8_t> out) noexcept : m_out(out) {}
    void Put(std::uint8_t b) noexcept {
        if (m_n < m_out.size())
            m_out[m_n++] = b;
        else
            m_bOverflow = true;
    }
    void PutRun(std::uint8_t b, std::size_t n) noexcept {
        for (std::size_t i = 0; i < n; ++i) Put(b);
    }
    bool Full() const noexcept { return m_bOverflow || m_n >= m_out.size(); }
    std::size_t Count() const noexcept { return m_n; }
    std::uint8_t Last() const noexcept { return m_n ? m_out[m_n - 1] : 0; }

private:
    std::span<std::uint8_t> m_out;
    std::size_t m_n = 0;
    bool m_bOverflow = false;
};

}  // namespace

template <typename Sink>
void CHostLengthScanner::WalkEbcdic(std::span<const std::uint8_t> in, Sink& sink) noexcept {
    m_nDLEState = 0;
    if (in.size() < 2) return;
    const auto& table = m_bPlatformTitle ? g_abyEbcdicToCodePlatform : g_abyEbcdicToCode;
    // C1 and C2 go over as their first characters, untested.
    sink.Put(g_abyCodeToAscii[table[in[0]]]);
    sink.Put(g_abyCodeToAscii[table[in[1]]]);
    for (std::size_t i = 2; i < in.size() && !sink.Full(); ++i) {
        const std::uint8_t code = table[in[i]];
        const std::uint8_t c = g_abyCodeToAscii[code];
        if (c == 0) continue;
        if (m_nDLEState == 0) {
            if (c == 0x10)
                m_nDLEState = 1;
            else
                sink.Put(c);
        } else if (m_nDLEState == 1) {
            const std::uint8_t c2 = g_abyCodeToAsciiAfterDLE[code];
            if (c2 == ASCII_EOM_C || c2 == ASCII_EOM_U) {
                m_nDLEState = 0;
                return;
            }
            if (c2 == ASCII_EOM_I || c2 == ASCII_EOM_PB) {
                sink.Put(c2);
                return;
            }
            if (c2 == 0x20) {
                m_nDLEState = 2;
            } else {
                sink.Put(c2);
                m_nDLEState = 0;
            }
        } else {
            if (c == ASCII_EOM_C || c == ASCII_EOM_U) {
                m_nDLEState = 0;
                return;
            }
            if (c == ASCII_EOM_I || c == ASCII_EOM_PB) {
                sink.Put(c);
                return;
            }
            // Shift, blank and a letter: a run of 4 ("A") to 29 ("Z") blanks.
            if (c >= 'A' && c <= 'Z')
                sink.PutRun(0x20, static_cast<std::size_t>(c - 0x3D));
            else
                sink.Put(0x20);
            m_nDLEState = 0;
        }
    }
}

std::size_t CHostLengthScanner::EbcdicToAsciiLength(std::span<const std::uint8_t> in) noexcept {
    CountSink sink;
    WalkEbcdic(in, sink);
    return sink.Count();
}

std::size_t CHostLengthScanner::TranslateEbcdicToAscii(std::span<const std::uint8_t> in,
                                                       std::span<std::uint8_t> out) noexcept {
    if (in.size() < 2 || out.empty()) return 0;
    SpanSink sink(out);
    WalkEbcdic(in, sink);
    // The text always ends in an end-of-message byte, so that whoever drops the last byte
    // drops that and never a character.
    if (sink.Count() == 0 || !IsAsciiEom(sink.Last())) sink.Put(ASCII_EOM_C);
    return sink.Count();
}

template <typename Sink>
void CHostLengthScanner::WalkAscii(std::span<const std::uint8_t> in, Sink& sink) noexcept {
    m_nDLEState = 0;
    std::size_t n = in.size();
    if (n == 0) return;
    if (in[n - 1] == ASCII_EOM_C) --n;
    const bool bEndsInI = n > 0 && in[n - 1] == ASCII_EOM_I;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = in[i];
        const std::uint8_t e = g_abyAsciiToEbcdic[b];
        if (e == 0) {
            sink.Drop();
            continue;
        }
        if (!m_bPassThrough && (g_abyAsciiCodeFlags[b] & 0x40)) sink.Put(EBCDIC_SHIFT);
        sink.Put(e);
    }
    if (!bEndsInI) sink.Put(EBCDIC_EOM_C);
}

namespace {

template <typename Base>
class DropCounting : public Base {
public:
    using Base::Base;
    void Drop() noexcept { ++m_nDropped; }
    std::size_t Dropped() const noexcept { return m_nDropped; }

private:
    std::size_t m_nDropped = 0;
};

}  // namespace

std::size_t CHostLengthScanner::AsciiToEbcdicLength(std::span<const std::uint8_t> in) noexcept {
    DropCounting<CountSink> sink;
    WalkAscii(in, sink);
    return sink.Count();
}

std::size_t CHostLengthScanner::TranslateAsciiToEbcdic(std::span<const std::uint8_t> in,
                                                       std::span<std::uint8_t> out,
                                                       std::size_t& nDropped) noexcept {
    DropCounting<SpanSink> sink(out);
    WalkAscii(in, sink);
    nDropped = sink.Dropped();
    return sink.Count();
}

std::uint8_t EbcdicLetterToAscii(std::uint8_t by) noexcept {
    if (by >= 0xC1 && by <= 0xC9) return static_cast<std::uint8_t>('A' + (by - 0xC1));
    if (by >= 0xD1 && by <= 0xD9) return static_cast<std::uint8_t>('J' + (by - 0xD1));
    if (by >= 0xE2 && by <= 0xE9) return static_cast<std::uint8_t>('S' + (by - 0xE2));
    return 0x01;
}

std::string GetEOMText(std::uint8_t by, int nMode) {
    if (nMode == 1) {
        switch (by) {
            case EBCDIC_EOM_C:
                return "C";
            case EBCDIC_EOM_U:
                return "U";
            case EBCDIC_EOM_I:
                return "I";
            case EBCDIC_EOM_PB:
                return "PB";
            default:
                return "?";
        }
    }
    switch (by) {
        case ASCII_EOM_I:
            return "I";
        case ASCII_EOM_C:
            return "C";
        case ASCII_EOM_U:
            return "U";
        case ASCII_EOM_PB:
            return "PB";
        default:
            return "?";
    }
}

}  // namespace core
