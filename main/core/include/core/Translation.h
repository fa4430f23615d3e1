// Character translation between the host's EBCDIC and the ASCII that devices and the host
// link's rules work on. Every EBCDIC byte is first reduced to a 6-bit host character code;
// the code becomes ASCII through one of two code tables, the second one after a shift byte
// (0x5D, "DLE" in the logs). Toward the host, characters of the second table are marked
// with the shift byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace core {

// End-of-message bytes of a host message in both codes.
inline constexpr std::uint8_t EBCDIC_EOM_C = 0x4E;
inline constexpr std::uint8_t EBCDIC_EOM_I = 0x6D;
inline constexpr std::uint8_t EBCDIC_EOM_U = 0x5F;
inline constexpr std::uint8_t EBCDIC_EOM_PB = 0x7E;
inline constexpr std::uint8_t ASCII_EOM_I = 0x14;
inline constexpr std::uint8_t ASCII_EOM_C = 0x15;
inline constexpr std::uint8_t ASCII_EOM_U = 0x16;
inline constexpr std::uint8_t ASCII_EOM_PB = 0x17;

inline constexpr std::uint8_t EBCDIC_SHIFT = 0x5D;  // "DLE"
inline constexpr std::uint8_t EBCDIC_BLANK = 0x40;

extern const std::array<std::uint8_t, 256> g_abyEbcdicToCode;
extern const std::array<std::uint8_t, 256> g_abyEbcdicToCodePlatform;
extern const std::array<std::uint8_t, 68> g_abyCodeToAscii;
extern const std::array<std::uint8_t, 80> g_abyCodeToAsciiAfterDLE;
extern const std::array<std::uint8_t, 256> g_abyAsciiCodeFlags;
extern const std::array<std::uint8_t, 256> g_abyAsciiToEbcdic;

// The byte work of one whole-message translation. Every operation starts in the normal shift
// state, takes lengths as size_t and never writes past the output it is given.
class CHostLengthScanner {
public:
    CHostLengthScanner(bool bPassThrough, bool bPlatformTitle) noexcept
        : m_bPassThrough(bPassThrough), m_bPlatformTitle(bPlatformTitle) {}

    // Number of ASCII bytes TranslateEbcdicToAscii writes for a host message (C1 C2 first),
    // without the end-of-message byte it may add.
    std::size_t EbcdicToAsciiLength(std::span<const std::uint8_t> in) noexcept;
    // Writes at most out.size() bytes and returns how many it wrote. The output always ends in
    // an ASCII end-of-message byte (0x14 to 0x17) when there is room for one.
    std::size_t TranslateEbcdicToAscii(std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out) noexcept;

    // Number of EBCDIC bytes TranslateAsciiToEbcdic writes for a text.
    std::size_t AsciiToEbcdicLength(std::span<const std::uint8_t> in) noexcept;
    // Writes at most out.size() bytes and returns how many it wrote. A byte without an EBCDIC
    // character is left out; nDropped counts those.
    std::size_t TranslateAsciiToEbcdic(std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out, std::size_t& nDropped) noexcept;

    int DLEState() const noexcept { return m_nDLEState; }

private:
    template <typename Sink>
    void WalkEbcdic(std::span<const std::uint8_t> in, Sink& sink) noexcept;
    template <typename Sink>
    void WalkAscii(std::span<const std::uint8_t> in, Sink& sink) noexcept;

    bool m_bPassThrough;
    bool m_bPlatformTitle;
    int m_nDLEState = 0;  // 0 normal, 1 after a shift byte, 2 after a shift byte and a blank
};

// EBCDIC capital letter to ASCII; every other byte gives 0x01.
std::uint8_t EbcdicLetterToAscii(std::uint8_t by) noexcept;
// Name of an end-of-message byte for log lines: mode 1 reads it as EBCDIC, any other mode as
// ASCII; an unknown byte gives "?".
std::string GetEOMText(std::uint8_t by, int nMode);

}  // namespace core
