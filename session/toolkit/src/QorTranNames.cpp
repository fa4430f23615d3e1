// The static conversions of the translator: ASCII/EBCDIC, printable names of single codes
// for logs, and the display names of QFE bytes.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "EbcdicTables.h"
#include "toolkit/QorTran.h"

namespace QorTranNS {
namespace {

std::uint8_t* Translate(const std::uint8_t* table, std::uint32_t count, const std::uint8_t* source,
                        std::uint8_t* target) {
    if (source == nullptr || target == nullptr || count == 0) {
        return target;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        target[i] = table[source[i]];
    }
    return target;
}

const char* const kAsciiControlNames[0x21] = {
    "NUL", "SQH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",  "SP"};

// 0x30, 0x31 and 0x3E have no name (a blank).
const char* const kEbcdicControlNames[0x40] = {
    "NUL", "SQH", "STX", "ETX", "SEL", "HT",  "RNL", "DEL", "GE",  "SPS", "RPT", "VT",  "FF",
    "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "RES", "NL",  "BS",  "POC", "CAN", "EM",
    "UBS", "CU1", "IFS", "IGS", "IRS", "ITB", "DS",  "SOS", "FS",  "WUS", "BYP", "LF",  "ETB",
    "ESC", "SA",  "SFE", "SM",  "CSP", "MFA", "ENQ", "ACK", "BEL", " ",   " ",   "SYN", "IR",
    "PP",  "TRN", "NBS", "EOT", "SBS", "IT",  "RFF", "CU3", "DC4", "NAK", " ",   "SUB"};

// The one-character graphics of the EBCDIC code page; 0 where a code has none.
constexpr std::array<std::uint8_t, 256> MakeEbcdicGraphics() {
    std::array<std::uint8_t, 256> g{};
    constexpr std::pair<std::uint8_t, char> singles[] = {
        {0x4B, '.'}, {0x4C, '<'}, {0x4D, '('}, {0x4E, '+'}, {0x4F, '|'},  {0x50, '&'},
        {0x5A, '!'}, {0x5B, '$'}, {0x5C, '*'}, {0x5D, ')'}, {0x5E, ';'},  {0x60, '-'},
        {0x61, '/'}, {0x6A, '|'}, {0x6B, ','}, {0x6D, '_'}, {0x6E, '>'},  {0x6F, '?'},
        {0x79, '`'}, {0x7A, ':'}, {0x7B, '#'}, {0x7C, '@'}, {0x7D, '\''}, {0x7E, '='},
        {0x7F, '"'}, {0xA1, '~'}, {0xC0, '{'}, {0xD0, '}'}, {0xE0, '\\'}};
    for (const auto& [code, ch] : singles) {
        g[code] = static_cast<std::uint8_t>(ch);
    }
    g[0x4A] = 0xA3;
    g[0x5F] = 0xAC;
    for (int i = 0; i < 9; ++i) {
        g[0x81 + i] = static_cast<std::uint8_t>('a' + i);
        g[0x91 + i] = static_cast<std::uint8_t>('j' + i);
        g[0xC1 + i] = static_cast<std::uint8_t>('A' + i);
        g[0xD1 + i] = static_cast<std::uint8_t>('J' + i);
    }
    for (int i = 0; i < 8; ++i) {
        g[0xA2 + i] = static_cast<std::uint8_t>('s' + i);
        g[0xE2 + i] = static_cast<std::uint8_t>('S' + i);
    }
    for (int i = 0; i < 10; ++i) {
        g[0xF0 + i] = static_cast<std::uint8_t>('0' + i);
    }
    return g;
}

constexpr std::array<std::uint8_t, 256> kEbcdicGraphics = MakeEbcdicGraphics();

char* CopyName(char* buffer, const char* name) {
    std::strcpy(buffer, name);
    return buffer;
}

char* OneChar(char* buffer, std::uint8_t c) {
    buffer[0] = static_cast<char>(c);
    buffer[1] = '\0';
    return buffer;
}

struct NamePair {
    std::uint8_t code;
    const char* base;
    const char* extended;
};

const NamePair kQfeNames[] = {
    {0x00, "0x00 Idle", "0x00 Idle"},
    {0x05, "0x2C Beg Tab", "0x2C \\"},
    {0x0F, "0x0F Go-Ahead", "0x0F Unused"},
    {0x15, "0x0C Cr/NL", "0x0C $"},
    {0x3E, "0x3E Sync 2", "0x3E Unused"},
    {0x3F, "0x3F Sync 1", "0x3F Sync 1"},
    {0x40, "0x1C Space", "0x1C Space Compaction"},
    {0x4B, "0x3B .", "0x3B ;"},
    {0x4C, "0x3C End Tab", "0x3C &"},
    {0x4D, "0x1F Fld Mrk", "0x1F ="},
    {0x4E, "0x1D EOMC", "0x1D EOMC"},
    {0x4F, "0x0C EOMI", "0x0C $"},
    {0x50, "0x2F Tic 2", "0x2F Unused"},
    {0x5B, "0x2B CrossLorraine", "0x2B +"},
    {0x5C, "0x0B *", "0x0B Unused"},
    {0x5D, "0x2E DLE", "0x2E )"},
    {0x5F, "0x2D EOMU", "0x2D EOMU"},
    {0x60, "0x1A -", "0x1A ["},
    {0x61, "0x11 /", "0x11 Unused"},
    {0x6B, "0x1B ,", "0x1B ]"},
    {0x6C, "0x10 No-op", "0x10 No-op"},
    {0x6D, "0x0D EOMI", "0x0D EOMI"},
    {0x6E, "0x1E SOM", "0x1E SOM"},
    {0x6F, "0x3A ?", "0x3A Percent Sign"},
    {0x72, "0x0E Lf/Cr", "0x0E ("},
    {0x7A, "0x2A :", "0x2A !"},
    {0x7C, "0x20 Change", "0x20 @"},
    {0x7D, "0x30 $", "0x30 #"},
    {0x7E, "0x3D EOMPB", "0x3D EOMPB"},
};

const char* const kDigitAttributes[10] = {
    "0x0A End Blink",   "0x01 Unused",    "0x02 Unused", "0x03 Begin Reverse",  "0x04 End Reverse",
    "0x05 Begin Blank", "0x06 End Blank", "0x07 Bell",   "0x08 Optional Field", "0x09 Start Blink"};

struct QfeNameTables {
    std::array<std::string, 256> base;
    std::array<std::string, 256> extended;

    QfeNameTables() {
        base.fill("Undefined");
        extended.fill("Undefined");
        char text[16];
        auto letters = [&](std::uint8_t first, int count, int code, char letter) {
            for (int i = 0; i < count; ++i) {
                std::snprintf(text, sizeof text, "0x%2.2X %c", code + i, letter + i);
                base[first + i] = text;
                std::snprintf(text, sizeof text, "0x%2.2X %c", code + i, letter + i + ('a' - 'A'));
                extended[first + i] = text;
            }
        };
        letters(0xC1, 9, 0x31, 'A');
        letters(0xD1, 9, 0x21, 'J');
        letters(0xE2, 8, 0x12, 'S');
        for (int i = 0; i < 10; ++i) {
            std::snprintf(text, sizeof text, "0x%2.2X %c", i == 0 ? 0x0A : i, '0' + i);
            base[0xF0 + i] = text;
            extended[0xF0 + i] = kDigitAttributes[i];
        }
        for (const NamePair& pair : kQfeNames) {
            base[pair.code] = pair.base;
            extended[pair.code] = pair.extended;
        }
    }
};

const QfeNameTables& QfeNames() {
    static const QfeNameTables names;
    return names;
}

}  // namespace

std::uint8_t* CQorTran::ASCIItoEBCDIC(std::uint32_t count, const std::uint8_t* source,
                                      std::uint8_t* target) {
    return Translate(detail::kAsciiToEbcdic, count, source, target);
}

std::uint8_t* CQorTran::EBCDICtoASCII(std::uint32_t count, const std::uint8_t* source,
                                      std::uint8_t* target) {
    return Translate(detail::kEbcdicToAscii.data(), count, source, target);
}

char* CQorTran::ConvertASCIIToPrintableString(std::uint8_t code, char* buffer) {
    if (buffer == nullptr) {
        return buffer;
    }
    if (code <= 0x20) {
        return CopyName(buffer, kAsciiControlNames[code]);
    }
    if (code == 0x25) {
        return CopyName(buffer, "PCT");
    }
    if (code == 0x7F) {
        return CopyName(buffer, "DEL");
    }
    return OneChar(buffer, code);
}

char* CQorTran::ConvertEBCDICToPrintableString(std::uint8_t code, char* buffer) {
    if (buffer == nullptr) {
        return buffer;
    }
    if (code < 0x40) {
        return CopyName(buffer, kEbcdicControlNames[code]);
    }
    switch (code) {
        case 0x40:
            return CopyName(buffer, "SP");
        case 0x41:
            return CopyName(buffer, "RSP");
        case 0x6C:
            return CopyName(buffer, "PCT");
        case 0xCA:
            return CopyName(buffer, "SHY");
        case 0xE1:
            return CopyName(buffer, "NSP");
        case 0xFF:
            return CopyName(buffer, "EO");
        default:
            break;
    }
    const std::uint8_t g = kEbcdicGraphics[code];
    return OneChar(buffer, g != 0 ? g : ' ');
}

std::uint8_t CQorTran::ConvertEBCDICToPrintableChar(std::uint8_t code, std::uint8_t& out) {
    if (code == 0x6C) {
        out = '%';
    } else {
        const std::uint8_t g = kEbcdicGraphics[code];
        out = g != 0 ? g : '.';
    }
    return out;
}

std::uint8_t CQorTran::ConvertASCIIToPrintableChar(std::uint8_t code, std::uint8_t& out) {
    out = (code < 0x20 || code == 0x25 || code == 0x7F) ? '.' : code;
    return out;
}

const char* CQorTran::ConvertQFEtoTrevoString(std::uint8_t code) {
    return QfeNames().base[code].c_str();
}

const char* CQorTran::ConvertQFEtoExtendedTrevoString(std::uint8_t code) {
    return QfeNames().extended[code].c_str();
}

}  // namespace QorTranNS
