// The device-manager transport's framing, used by its client and by the manager program:
// every frame is a 32-bit big-endian length and that many bytes of body; a body is a query
// (client to manager) or a reply (manager to client), its integers big-endian.
//
//   query: 'Q', sequence u64, handle u32, words 3 x u32, request code i32, flags u32,
//          submit id u64, name length u16 + name, payload length u32 + payload
//   reply: 'R', sequence u64, handle u32, words 3 x u32, request code i32, value u32,
//          count u32, submit id u64, status u32, data length u32 + data
//
// The sequence number is the client's: a reply carries back the number of the query it
// answers. Free of I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kdm32nt {

// The longest frame body either side accepts; a longer announced length breaks the stream.
inline constexpr std::uint32_t kMaxFrameBody = 1024 * 1024;
inline constexpr std::size_t kMaxNameLength = 0xFFFF;

struct Query {
    std::uint64_t sequence = 0;
    std::uint32_t handle = 0;
    std::uint32_t words[3] = {};
    std::int32_t requestCode = 0;
    std::uint32_t flags = 0;
    std::uint64_t submitId = 0;
    std::string deviceName;
    std::vector<std::uint8_t> payload;

    friend bool operator==(const Query&, const Query&) = default;
};

struct Reply {
    std::uint64_t sequence = 0;
    std::uint32_t handle = 0;
    std::uint32_t words[3] = {};
    std::int32_t requestCode = 0;
    std::uint32_t value = 0;
    std::uint32_t count = 0;
    std::uint64_t submitId = 0;
    std::uint32_t status = 0;
    std::vector<std::uint8_t> data;

    friend bool operator==(const Reply&, const Reply&) = default;
};

// The whole frame, length included. Nothing when a name or payload is too long to frame.
std::optional<std::vector<std::uint8_t>> EncodeQuery(const Query& query);
std::optional<std::vector<std::uint8_t>> EncodeReply(const Reply& reply);

// A body as the frame reader gives it. Nothing for a body that is no query (reply), is cut
// short or has bytes left over.
std::optional<Query> DecodeQuery(std::span<const std::uint8_t> body);
std::optional<Reply> DecodeReply(std::span<const std::uint8_t> body);

// Cuts a byte stream into frame bodies.
class FrameReader {
public:
    // Adds bytes as they came.
    void Feed(std::span<const std::uint8_t> bytes);
    // The next whole body; nothing when more bytes are needed or the stream is broken.
    std::optional<std::vector<std::uint8_t>> Next();
    // A length above kMaxFrameBody came: nothing more is read from this stream.
    bool Broken() const { return m_broken; }

private:
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_start = 0;
    bool m_broken = false;
};

}  // namespace kdm32nt
