// The host's own view of a QUIL record: decoded field by field from the wire and checked
// against the protocol, independently of the client-side record classes, so that a fault
// shared by a client's encoder and decoder still shows here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quilhost {

struct HostOption {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> body;  // length on the wire = body size + 2
};

struct HostRecord {
    // Stream header.
    std::uint8_t streamByte2 = 0;
    std::uint8_t streamByte3 = 0;
    std::uint32_t streamLength = 0;  // as received; computed when encoding
    // Session header.
    std::uint8_t version = 1;
    std::uint8_t kind = 0;  // 0 begin, 1 maintain, 2 terminate
    std::uint8_t headerWords = 3;
    std::uint8_t optionWords = 0;  // as received; computed when encoding
    std::uint8_t type = 0;         // message type
    std::uint8_t flags = 0;        // byte 3 as it is on the wire
    std::array<std::uint8_t, 3> terminal{};
    std::uint8_t filler = 0;
    std::array<std::uint8_t, 4> sessionId{};
    // The option area as it is on the wire and the options found in it.
    std::vector<std::uint8_t> optionArea;
    std::vector<HostOption> options;
    std::vector<std::uint8_t> payload;

    std::array<std::uint8_t, 8> Identity() const;
    std::string TerminalText() const;   // six upper-case hex digits
    std::string SessionIdText() const;  // eight upper-case hex digits
    const HostOption* Option(std::uint8_t type) const;
};

struct DecodedRecord {
    HostRecord record;
    std::vector<std::string> problems;  // every way the record breaks the protocol
};

// Decodes a whole record (stream header first).
DecodedRecord DecodeRecord(std::span<const std::uint8_t> wire);
// Checks a record that the client sent against what a client may send.
void CheckClientRecord(const HostRecord& record, std::vector<std::string>& problems);
// The wire form: lengths and option words are computed; the option area is built from
// `options` when there are any, else `optionArea` is sent as it is.
std::vector<std::uint8_t> EncodeRecord(const HostRecord& record);

// An acknowledgement from a device: "C", TSN, "2" or "0", status, in host code.
struct Acknowledgement {
    char tsn = 0;     // the TSN letter (or '@' for the blank and '?' for other bytes)
    char third = 0;   // '2' or '0'
    char status = 0;  // '0' ... '8'
};
std::optional<Acknowledgement> DecodeAcknowledgement(std::span<const std::uint8_t> payload);

// The routing option's fields (sequence id, then session index, little-endian).
struct Routing {
    std::uint16_t sequenceId = 0;
    std::uint32_t index = 0;
};
std::optional<Routing> DecodeRouting(const HostRecord& record);

// One line describing a record, for the trace.
std::string Describe(const HostRecord& record);

}  // namespace quilhost
