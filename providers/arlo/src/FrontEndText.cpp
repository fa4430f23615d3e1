#include "arlo/FrontEndText.h"

#include "arlo/FrontEndTables.h"

#include <array>
#include <initializer_list>
#include <utility>

#include "brxconn/CMessage.h"

namespace arlo {
namespace {

using Pair = std::pair<int, int>;

// A table from single entries and runs "from-to : first value".
Table Make(std::initializer_list<Pair> entries, std::initializer_list<std::array<int, 3>> runs) {
    Table t{};
    for (const auto& [k, v] : entries)
        t[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v);
    for (const auto& r : runs)
        for (int k = r[0]; k <= r[1]; ++k)
            t[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(r[2] + (k - r[0]));
    return t;
}

}  // namespace

const Table& EncodeFirst() {
    static const Table t =
        Make({{0x00, 0x6C}, {0x01, 0x7C}, {0x04, 0x4F}, {0x07, 0x5D}, {0x09, 0x05}, {0x0D, 0x4F},
              {0x0F, 0x0F}, {0x14, 0x6D}, {0x15, 0x4E}, {0x16, 0x5F}, {0x17, 0x7E}, {0x18, 0x4D},
              {0x1E, 0x4F}, {0x20, 0x40}, {0x21, 0x5D}, {0x23, 0x5D}, {0x24, 0x7D}, {0x25, 0x5D},
              {0x26, 0x5D}, {0x28, 0x5D}, {0x29, 0x5D}, {0x2A, 0x5C}, {0x2B, 0x5D}, {0x2C, 0x6B},
              {0x2D, 0x60}, {0x2E, 0x4B}, {0x2F, 0x61}, {0x3A, 0x7A}, {0x3B, 0x5D}, {0x3C, 0x05},
              {0x3D, 0x5D}, {0x3E, 0x4C}, {0x3F, 0x6F}, {0x40, 0x5D}, {0x5B, 0x5D}, {0x5C, 0x5D},
              {0x5D, 0x5D}, {0x5E, 0x4D}, {0x7E, 0x5D}, {0x80, 0x50}, {0x86, 0x50}, {0x87, 0x5B},
              {0x88, 0x5D}, {0x89, 0x5D}, {0x9D, 0x5B}, {0xA4, 0x7C}, {0xA5, 0x5B}, {0xA7, 0x4F},
              {0xAC, 0x4F}, {0xD8, 0x5B}, {0xE4, 0x4F}, {0xFB, 0x5D}, {0xFE, 0x6C}, {0xFF, 0x4F}},
             {{0x30, 0x39, 0xF0}, {0x41, 0x49, 0xC1}, {0x4A, 0x52, 0xD1}, {0x53, 0x5A, 0xE2}});
    // Runs of one value: lower-case letters go shifted, 0xC8-0xCB are blanks.
    static const Table fixed = [] {
        Table f = t;
        for (int k = 0x61; k <= 0x7A; ++k) f[static_cast<std::size_t>(k)] = 0x5D;
        for (int k = 0xC8; k <= 0xCB; ++k) f[static_cast<std::size_t>(k)] = 0x40;
        return f;
    }();
    return fixed;
}

const Table& EncodeSecond() {
    static const Table t = Make({{0x07, 0xF7},
                                 {0x21, 0x7A},
                                 {0x23, 0x7D},
                                 {0x25, 0x6F},
                                 {0x26, 0x4C},
                                 {0x28, 0x72},
                                 {0x29, 0x5D},
                                 {0x2B, 0x5B},
                                 {0x3B, 0x4B},
                                 {0x3D, 0x4D},
                                 {0x40, 0x7C},
                                 {0x5B, 0x60},
                                 {0x5C, 0x05},
                                 {0x5D, 0x6B},
                                 {0x7E, 0xF8},
                                 {0x88, 0x61},
                                 {0x89, 0x50},
                                 {0xFB, 0xF8}},
                                {{0x61, 0x69, 0xC1}, {0x6A, 0x72, 0xD1}, {0x73, 0x7A, 0xE2}});
    return t;
}

const Table& DecodePlain() {
    static const Table t =
        Make({{0x05, 0x3C}, {0x0F, 0x0F}, {0x15, 0x0D}, {0x40, 0x20}, {0x4B, 0x2E},
              {0x4C, 0x3E}, {0x4D, 0x5E}, {0x4E, 0x15}, {0x4F, 0x0D}, {0x50, 0x86},
              {0x5B, 0x87}, {0x5C, 0x2A}, {0x5F, 0x16}, {0x60, 0x2D}, {0x61, 0x2F},
              {0x6B, 0x2C}, {0x6D, 0x14}, {0x6E, 0xBB}, {0x6F, 0x3F}, {0x72, 0x0D},
              {0x7A, 0x3A}, {0x7C, 0xA4}, {0x7D, 0x24}, {0x7E, 0x17}, {0xFF, 0x30}},
             {{0xC1, 0xC9, 0x41}, {0xD1, 0xD9, 0x4A}, {0xE2, 0xE9, 0x53}, {0xF0, 0xF9, 0x30}});
    return t;
}

const Table& DecodeShifted() {
    static const Table t =
        Make({{0x05, 0x5C}, {0x0F, 0xFF}, {0x15, 0x24}, {0x3E, 0xFF}, {0x40, 0x20}, {0x4B, 0x3B},
              {0x4C, 0x26}, {0x4D, 0x3D}, {0x4E, 0xFF}, {0x4F, 0x24}, {0x50, 0x89}, {0x5B, 0x2B},
              {0x5C, 0xFF}, {0x5D, 0x29}, {0x5F, 0xFF}, {0x60, 0x5B}, {0x61, 0x88}, {0x6B, 0x5D},
              {0x6C, 0xFF}, {0x6D, 0xFF}, {0x6E, 0xFF}, {0x6F, 0x25}, {0x72, 0x28}, {0x7A, 0x21},
              {0x7C, 0x40}, {0x7D, 0x23}, {0x7E, 0xFF}, {0xF0, 0x85}, {0xF3, 0x80}, {0xF4, 0x81},
              {0xF5, 0x82}, {0xF6, 0x83}, {0xF7, 0x07}, {0xF8, 0xFB}, {0xF9, 0x84}},
             {{0xC1, 0xC9, 0x61}, {0xD1, 0xD9, 0x6A}, {0xE2, 0xE9, 0x73}});
    return t;
}

namespace {

bool IsEndOfMessage(std::uint8_t c) {
    return c == 0x4E || c == 0x5F || c == 0x6D || c == 0x7E;
}

// The bytes from start to the end less endOffset (empty when they do not exist).
std::span<const std::uint8_t> Range(std::span<const std::uint8_t> p, std::size_t start,
                                    std::size_t endOffset) {
    if (endOffset > p.size() || start >= p.size() - endOffset) return {};
    return p.subspan(start, p.size() - endOffset - start);
}

}  // namespace

void EncodeFrontEndText(CMessage& message, std::span<const std::uint8_t> text) {
    const Table& first = EncodeFirst();
    const Table& second = EncodeSecond();
    bool ended = false;
    for (const std::uint8_t c : text) {
        const std::uint8_t f = first[c];
        if (f == 0x5D) {
            (void)message.AddChar(0x5D);
            const std::uint8_t s = second[c];
            if (s != 0 && s != 0xFF) (void)message.AddChar(s);
        } else if (f != 0 && f != 0xFF) {
            (void)message.AddChar(f);
            if (IsEndOfMessage(f)) ended = true;
        }
    }
    if (!ended) (void)message.AddChar(0x4E);
}

void DecodeFrontEndText(std::span<const std::uint8_t> packet, CMessage& out, std::size_t start,
                        std::size_t endOffset) {
    const Table& plain = DecodePlain();
    const Table& shifted = DecodeShifted();
    const auto data = Range(packet, start, endOffset);
    bool shift = false;
    bool blankCount = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t b = data[i];
        if (b == 0x5D) {
            if (shift) {
                shift = false;
                (void)out.AddChar(')');
            } else {
                shift = true;
            }
        } else if (blankCount) {
            // The count letter, in the front-end code or as the letter itself.
            blankCount = false;
            std::uint8_t v = plain[b];
            if (v < 'A' || v > 'Z') v = b;
            if (v >= 'A' && v <= 'Z')
                for (int n = 0; n < v - 0x3D; ++n) (void)out.AddChar(' ');
        } else if (shift) {
            shift = false;
            const std::uint8_t v = shifted[b];
            if (v == ' ') {
                blankCount = true;
            } else {
                (void)out.AddChar(v);
            }
        } else if (b == 0x4E) {
            break;
        } else if (b == 0x6C) {
            if (i < 2) (void)out.AddChar(0x1F);
        } else {
            const std::uint8_t v = plain[b];
            if (v == 0 && i == 0) {
                (void)out.AddData(std::string("PR"));
                ++i;  // the next byte is skipped
            } else if (v == 0 && i == 1) {
                const int n = out.GetLength();
                if (n > 0) (void)out.PutCharAt(n - 1, 'P');
                (void)out.AddChar('R');
            } else if (v != 0) {
                (void)out.AddChar(v);
            }
        }
    }
}

void CopyFrontEndText(std::span<const std::uint8_t> packet, CMessage& out, std::size_t start,
                      std::size_t endOffset) {
    const auto data = Range(packet, start, endOffset);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::uint8_t b = data[i];
        if (b == 0 && i > 1) continue;
        (void)out.AddChar(b);
        if (b == 0x4E) break;
    }
}

}  // namespace arlo
