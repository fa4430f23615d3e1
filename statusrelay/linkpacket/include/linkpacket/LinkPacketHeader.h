// The 11-byte header that opens every packet of the status relay and of the local link
// client: magic 1001, kind, total length of the packet (header included) and a code, packed
// and little-endian. Free of I/O: it only turns headers into bytes and bytes into headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace linkpacket {

inline constexpr std::uint16_t kMagic = 1001;
inline constexpr std::size_t kHeaderSize = 11;
// The longest total length an answer may give and still count.
inline constexpr std::uint32_t kMaxAnswerLength = 1024;
// The result of an answer that does not count.
inline constexpr std::int32_t kUnacceptedAnswer = 2;

enum class PacketKind : std::uint8_t {
    Status = 'U',   // status text (relay)
    Icon = 'I',     // tray-icon record (relay)
    Request = 'M',  // question of the local link client
    Answer = 'A',   // its answer
};

struct LinkPacketHeader {
    std::uint16_t magic = kMagic;
    std::uint8_t kind = 0;
    std::uint32_t totalLength = 0;
    std::uint32_t code = 0;

    friend bool operator==(const LinkPacketHeader&, const LinkPacketHeader&) = default;
};

// A header with the magic set.
LinkPacketHeader MakeHeader(PacketKind kind, std::uint32_t totalLength, std::uint32_t code = 0);

std::array<std::uint8_t, kHeaderSize> Encode(const LinkPacketHeader& header);
// Writes the header into the first kHeaderSize bytes of out; false (nothing written) when out
// is shorter.
[[nodiscard]] bool EncodeTo(const LinkPacketHeader& header, std::span<std::uint8_t> out);

// Reads the header from the first kHeaderSize bytes; nothing when fewer are given. The
// fields are taken as they stand: whether they make sense is the reader's to judge.
std::optional<LinkPacketHeader> Decode(std::span<const std::uint8_t> bytes);

// An answer counts when its magic is 1001, its total length at most 1,024 and its kind 'A'.
bool IsAcceptedAnswer(const LinkPacketHeader& header);
// The answer's code when it counts, else kUnacceptedAnswer.
std::int32_t AnswerResult(const LinkPacketHeader& header);

}  // namespace linkpacket
