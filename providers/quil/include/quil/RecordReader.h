// Cuts a received byte stream into whole QUIL records (stream header first). Lengths from the
// peer are checked before anything is kept: a wrong sync or version, a whole length below 20,
// below 20 plus the announced option bytes, or above the cap breaks the stream for good, and
// the connection carrying it is to be closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "quil/StreamHeader.h"

namespace quil {

class RecordReader {
public:
    enum class Error {
        None,
        BadStreamHeader,  // sync not 0xFE or version not 1
        TooShort,         // whole length below 20
        OptionsOverrun,   // announced option bytes do not fit the whole length
        TooLong,          // whole length above the cap
    };

    using RecordSink = std::function<void(std::span<const std::uint8_t> record)>;

    // What a reader accepts beyond whole records with fitting options.
    struct Rules {
        // A stream header alone (whole length 8) is passed over and the stream goes on.
        bool skipHeaderOnly = false;
        // Announced option bytes that do not fit the whole length break the stream; off, the
        // record is handed on and its reader judges it.
        bool checkOptionWords = true;
    };

    explicit RecordReader(std::uint32_t maxLength = kMaxRecordLength) noexcept
        : m_maxLength(maxLength) {}
    RecordReader(std::uint32_t maxLength, Rules rules) noexcept
        : m_maxLength(maxLength), m_rules(rules) {}

    // Takes the next bytes of the stream and hands every record they complete to `sink`.
    // False once the stream is broken (then every later call is false as well).
    [[nodiscard]] bool Feed(std::span<const std::uint8_t> bytes, const RecordSink& sink);

    Error error() const noexcept { return m_error; }
    // Bytes of an unfinished record are held.
    bool Pending() const noexcept { return !m_record.empty(); }
    void Reset() noexcept;

    static const char* ErrorText(Error error) noexcept;

private:
    bool CheckHead();

    std::uint32_t m_maxLength;
    Rules m_rules;
    std::vector<std::uint8_t> m_record;
    std::size_t m_wanted = 0;  // whole length once the stream header is in
    Error m_error = Error::None;
};

}  // namespace quil
