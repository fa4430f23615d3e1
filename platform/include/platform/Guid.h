// Class, interface and library identifiers: 128-bit ids written
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". Text is read without regard to case and written in
// capitals, as the configuration store keeps class ids.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    // Exactly 38 characters, braces and dashes where they belong, hex digits elsewhere;
    // anything else gives nothing.
    [[nodiscard]] static std::optional<Guid> Parse(std::string_view text);
    [[nodiscard]] std::string ToString() const;
    [[nodiscard]] bool IsNull() const noexcept { return *this == Guid{}; }

    friend bool operator==(const Guid&, const Guid&) = default;
    friend auto operator<=>(const Guid&, const Guid&) = default;
};

struct GuidHash {
    std::size_t operator()(const Guid& id) const noexcept;
};

}  // namespace platform

template <>
struct std::hash<platform::Guid> : platform::GuidHash {};
