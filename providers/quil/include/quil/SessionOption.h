// Session options: [type][length, both bytes counted][body], one after the other without gaps
// in an option area of at most 60 bytes behind the session header. Numbers inside option
// bodies are little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace quil {

inline constexpr std::uint8_t kOptionHostData = 2;  // 16 bytes, carried as they are
inline constexpr std::uint8_t kOptionRouting = 3;   // 8 bytes: sequence id, session index
inline constexpr std::uint8_t kOptionEndToEnd = 4;  // 32 bytes: end-to-end timing
inline constexpr std::uint8_t kOptionPoolName = 5;  // 8 bytes: pool name in host code

inline constexpr std::size_t kMaxOptionSize = 32;

class CSessionOption {
public:
    // Empty: type 0, length 0, invalid.
    CSessionOption() noexcept = default;
    // A new option of a known type (2-5), its length the size of the type. Body bytes beyond
    // that size are not taken; missing ones are zero. An unknown type gives an invalid option.
    CSessionOption(std::uint8_t type, std::span<const std::uint8_t> body) noexcept;
    // A received option: type, length and body as they are on the wire. Valid for a known
    // type whose length byte lies between 2 and 32 and within the bytes given.
    static CSessionOption FromWire(std::span<const std::uint8_t> in) noexcept;

    // Size of an option of the type: 16, 8, 32, 8 for types 2-5, else 0.
    static std::size_t SizeForType(std::uint8_t type) noexcept;

    bool Valid() const noexcept { return m_valid; }
    std::uint8_t Type() const noexcept { return m_type; }
    std::uint8_t Length() const noexcept { return m_length; }
    std::span<const std::uint8_t> Body() const noexcept;
    std::span<std::uint8_t> MutableBody() noexcept;

    // Appends the option's `Length()` bytes; an invalid or empty option writes nothing.
    // Returns the number of bytes written.
    std::size_t Write(std::vector<std::uint8_t>& out) const;
    // Writes at the start of `area`; nothing when invalid, empty or when it does not fit.
    std::size_t WriteTo(std::span<std::uint8_t> area) const;
    void Clear() noexcept;

private:
    std::uint8_t m_type = 0;
    std::uint8_t m_length = 0;
    std::array<std::uint8_t, kMaxOptionSize - 2> m_body{};
    bool m_valid = false;
};

// How a walk over an option area ended.
enum class OptionWalkEnd {
    Complete,   // the last option ended exactly at the end of the area
    Padding,    // a type/length pair of zeros (fill bytes) ended the walk
    Malformed,  // an option length below 2, or an option running past the area
};

// Calls `visit` with the whole bytes of each well-formed option in `area` (type at [0],
// length at [1]) until the area ends, fill bytes begin, or a malformed option is met; the
// visitor returns false to stop early (the walk then counts as Complete).
OptionWalkEnd WalkOptions(std::span<const std::uint8_t> area,
                          const std::function<bool(std::span<const std::uint8_t>)>& visit);

// The routing option (type 3): which session of the sender a reply belongs to.
struct RoutingOption {
    std::uint16_t sequenceId = 0;
    std::uint32_t index = 0;

    // From a whole option (type, length, body); nothing unless it is a type-3 option of 8 bytes.
    static std::optional<RoutingOption> Parse(std::span<const std::uint8_t> option) noexcept;
    // Finds the first routing option in an option area.
    static std::optional<RoutingOption> Find(std::span<const std::uint8_t> area);
    CSessionOption ToOption() const noexcept;
};

// The end-to-end timing option (type 4, 32 bytes). The first 8 body bytes are carried as they
// are.
struct EndToEndTiming {
    std::array<std::uint8_t, 8> carried{};
    std::uint32_t clOut = 0;
    std::uint32_t fepQin = 0;
    std::uint32_t srvIn = 0;
    std::uint16_t clIn = 0;
    std::uint16_t fepQout = 0;
    std::uint16_t fepRin = 0;
    std::uint16_t fepRout = 0;
    std::uint16_t srvApp = 0;

    // From a whole option; nothing unless it is a type-4 option of 32 bytes.
    static std::optional<EndToEndTiming> Parse(std::span<const std::uint8_t> option) noexcept;
    CSessionOption ToOption() const noexcept;
};

// Stamps CL_OUT = `tick` into every end-to-end option of an outgoing option area.
void StampEndToEndOut(std::span<std::uint8_t> area, std::uint32_t tick);
// Sets CL_IN = (`tick` - CL_OUT), cut to 16 bits, in every end-to-end option of a received
// option area.
void StampEndToEndIn(std::span<std::uint8_t> area, std::uint32_t tick);

}  // namespace quil
