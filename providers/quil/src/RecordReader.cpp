#include "quil/RecordReader.h"

#include <algorithm>

#include "platform/ByteReader.h"
#include "quil/SessionHeader.h"

namespace quil {

void RecordReader::Reset() noexcept {
    m_record.clear();
    m_wanted = 0;
    m_error = Error::None;
}

const char* RecordReader::ErrorText(Error error) noexcept {
    switch (error) {
        case Error::None:
            return "no error";
        case Error::BadStreamHeader:
            return "bad stream header sync or version";
        case Error::TooShort:
            return "record length below the record headers";
        case Error::OptionsOverrun:
            return "announced options do not fit the record";
        case Error::TooLong:
            return "record length above the limit";
    }
    return "unknown";
}

// Checks what is known of the record so far: the stream header once 8 bytes are in, the
// option words once the session header's second byte is in.
bool RecordReader::CheckHead() {
    if (m_wanted == 0 && m_record.size() >= kStreamHeaderSize) {
        CStreamHeader stream;
        if (!stream.Read(m_record)) {
            m_error = Error::BadStreamHeader;
            return false;
        }
        if (stream.Length() == kStreamHeaderSize && m_rules.skipHeaderOnly) {
            m_record.clear();
            return true;
        }
        if (stream.Length() < kRecordHeaderSize) {
            m_error = Error::TooShort;
            return false;
        }
        if (stream.Length() > m_maxLength) {
            m_error = Error::TooLong;
            return false;
        }
        m_wanted = stream.Length();
        m_record.reserve(m_wanted);
    }
    if (m_rules.checkOptionWords && m_wanted != 0 && m_record.size() >= kStreamHeaderSize + 2) {
        platform::ByteReader r(m_record);
        std::uint8_t words = 0;
        if (!r.seek(kStreamHeaderSize + 1) || !r.u8(words)) return false;
        if (kRecordHeaderSize + std::size_t{words & 0x0Fu} * 4 > m_wanted) {
            m_error = Error::OptionsOverrun;
            return false;
        }
    }
    return true;
}

bool RecordReader::Feed(std::span<const std::uint8_t> bytes, const RecordSink& sink) {
    if (m_error != Error::None) return false;
    while (!bytes.empty()) {
        // Take the stream header and the first session header bytes before trusting a length.
        const std::size_t target = m_wanted != 0 ? m_wanted : kStreamHeaderSize;
        const std::size_t n = std::min(bytes.size(), target - m_record.size());
        m_record.insert(m_record.end(), bytes.begin(),
                        bytes.begin() + static_cast<std::ptrdiff_t>(n));
        bytes = bytes.subspan(n);
        if (!CheckHead()) {
            m_record.clear();
            return false;
        }
        if (m_wanted != 0 && m_record.size() == m_wanted) {
            std::vector<std::uint8_t> record;
            record.swap(m_record);
            m_wanted = 0;
            sink(record);
        }
    }
    return true;
}

}  // namespace quil
