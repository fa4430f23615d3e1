// One QUIL record in a single block: stream header (0-7), session header (8-19), options
// (20 to 20 + option bytes), payload. Invariant: whole length = 20 + option bytes + payload
// bytes. One buffer per session, reused for every record sent or received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "quil/SessionHeader.h"
#include "quil/StreamHeader.h"

namespace quil {

// End-of-message kinds of a record's last byte (host code).
enum class EndOfMessage : int {
    None = 0,          // anything else, or no record
    Complete = 1,      // 0x4E
    CompleteMore = 2,  // 0x5F
    Partial = 3,       // 0x6D
    PartialDrop2 = 4,  // 0x7E
};

EndOfMessage EndOfMessageKind(std::uint8_t last) noexcept;

class CQUILBuffer {
public:
    CQUILBuffer() = default;
    CQUILBuffer(const CStreamHeader& stream, const CSessionHeader& session,
                std::span<const std::uint8_t> options, std::span<const std::uint8_t> payload);

    // Replaces the block by a zero-filled one of the stream header's length and writes the
    // stream header at 0. False (buffer left empty) for a length below 20 or above the cap.
    [[nodiscard]] bool SetStreamHeader(const CStreamHeader& stream);
    // Writes the session header at 8 and takes the option byte count from it. False without a
    // block, or when the announced options do not fit the block.
    [[nodiscard]] bool SetSessionHeader(const CSessionHeader& session);
    // Copies the announced option bytes to 20; never more than `options` holds (the rest of
    // the announced area stays zero).
    void SetOptions(std::span<const std::uint8_t> options);
    // Copies the payload behind the options; the block and the stream length follow the
    // payload's size.
    void SetPayload(std::span<const std::uint8_t> payload);
    // Copies what follows the stream header of a received record (whole length - 8 bytes) to 8.
    // False when fewer bytes are given (the missing ones stay zero).
    [[nodiscard]] bool FillFromReceived(std::span<const std::uint8_t> afterStreamHeader);
    // Reads the session header from 8-19 and takes the option byte count from it. False
    // without a block or when the announced options run past the record.
    [[nodiscard]] bool ReadSessionHeader(CSessionHeader& session);

    std::span<const std::uint8_t> Options() const noexcept;
    // Copies at most out.size() option bytes; returns the number copied.
    std::size_t GetOptions(std::span<std::uint8_t> out) const noexcept;
    std::size_t PayloadLength() const noexcept;
    std::span<const std::uint8_t> Payload() const noexcept;
    // Copies at most out.size() payload bytes; returns the number copied.
    std::size_t GetPayload(std::span<std::uint8_t> out) const noexcept;

    void Reset() noexcept;
    std::size_t WholeLength() const noexcept { return m_wholeLength; }
    std::size_t OptionBytes() const noexcept { return m_optionBytes; }
    std::span<const std::uint8_t> Block() const noexcept { return m_block; }
    // End-of-message kind of the block's last byte.
    EndOfMessage EndOfMessageKind() const noexcept;

private:
    void Place(std::size_t pos, const std::vector<std::uint8_t>& bytes);

    std::vector<std::uint8_t> m_block;
    std::size_t m_wholeLength = 0;
    std::size_t m_optionBytes = 0;
    std::size_t m_payloadBytes = 0;
};

}  // namespace quil
