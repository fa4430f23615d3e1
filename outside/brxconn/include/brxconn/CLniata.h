// A terminal address (LNIATA): six hexadecimal characters, either case in and capitals out,
// held as three octets, octet 1 first. Characters 1-3 are the line (12 bits), 4 the
// interchange (4 bits), 5-6 the terminal (8 bits).
#pragma once

#include <cstdint>
#include <string>

class CLniata {
public:
    CLniata() = default;  // 000000
    // From six hexadecimal characters; any other text gives 000000.
    explicit CLniata(const std::string& text);
    explicit CLniata(const char* text);
    // From the three octets as one number, octet 1 most significant (bits above 24 dropped).
    explicit CLniata(long lniata);

    // False, the value unchanged, for anything but exactly six hexadecimal characters.
    bool SetString(const std::string& text);
    void GetString(std::string& text) const;
    [[nodiscard]] std::string GetString() const;

    [[nodiscard]] std::uint8_t GetOctet1() const noexcept { return m_octets[0]; }
    [[nodiscard]] std::uint8_t GetOctet2() const noexcept { return m_octets[1]; }
    [[nodiscard]] std::uint8_t GetOctet3() const noexcept { return m_octets[2]; }
    void SetOctet1(std::uint8_t octet) noexcept { m_octets[0] = octet; }
    void SetOctet2(std::uint8_t octet) noexcept { m_octets[1] = octet; }
    void SetOctet3(std::uint8_t octet) noexcept { m_octets[2] = octet; }

    [[nodiscard]] long GetLnIaTa() const noexcept;
    void SetLnIaTa(long lniata) noexcept;

    [[nodiscard]] int GetLn() const noexcept;  // 0..0xFFF
    [[nodiscard]] int GetIa() const noexcept;  // 0..0xF
    [[nodiscard]] int GetTa() const noexcept;  // 0..0xFF
    // Each takes the low bits that fit its part.
    void SetLn(int line) noexcept;
    void SetIa(int interchange) noexcept;
    void SetTa(int terminal) noexcept;

    friend bool operator==(const CLniata&, const CLniata&) = default;

private:
    std::uint8_t m_octets[3] = {0, 0, 0};
};
