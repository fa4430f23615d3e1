#include "brxconn/CLniata.h"

namespace {

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

CLniata::CLniata(const std::string& text) {
    static_cast<void>(SetString(text));
}

CLniata::CLniata(const char* text) {
    if (text) static_cast<void>(SetString(text));
}

CLniata::CLniata(long lniata) {
    SetLnIaTa(lniata);
}

bool CLniata::SetString(const std::string& text) {
    if (text.size() != 6) return false;
    std::uint8_t octets[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        octets[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    for (std::size_t i = 0; i < 3; ++i) m_octets[i] = octets[i];
    return true;
}

void CLniata::GetString(std::string& text) const {
    static const char kHex[] = "0123456789ABCDEF";
    text.resize(6);
    for (std::size_t i = 0; i < 3; ++i) {
        text[2 * i] = kHex[m_octets[i] >> 4];
        text[2 * i + 1] = kHex[m_octets[i] & 0x0F];
    }
}

std::string CLniata::GetString() const {
    std::string text;
    GetString(text);
    return text;
}

long CLniata::GetLnIaTa() const noexcept {
    return static_cast<long>(m_octets[0]) << 16 | static_cast<long>(m_octets[1]) << 8 |
           static_cast<long>(m_octets[2]);
}

void CLniata::SetLnIaTa(long lniata) noexcept {
    const auto value = static_cast<unsigned long>(lniata);
    m_octets[0] = static_cast<std::uint8_t>(value >> 16);
    m_octets[1] = static_cast<std::uint8_t>(value >> 8);
    m_octets[2] = static_cast<std::uint8_t>(value);
}

int CLniata::GetLn() const noexcept {
    return m_octets[0] << 4 | m_octets[1] >> 4;
}

int CLniata::GetIa() const noexcept {
    return m_octets[1] & 0x0F;
}

int CLniata::GetTa() const noexcept {
    return m_octets[2];
}

void CLniata::SetLn(int line) noexcept {
    m_octets[0] = static_cast<std::uint8_t>(line >> 4);
    m_octets[1] = static_cast<std::uint8_t>((line & 0x0F) << 4 | (m_octets[1] & 0x0F));
}

void CLniata::SetIa(int interchange) noexcept {
    m_octets[1] = static_cast<std::uint8_t>((m_octets[1] & 0xF0) | (interchange & 0x0F));
}

void CLniata::SetTa(int terminal) noexcept {
    m_octets[2] = static_cast<std::uint8_t>(terminal);
}
