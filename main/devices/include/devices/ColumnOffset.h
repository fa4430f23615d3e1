// The indentation of a print queue's output: every line of a document starts with up to 40
// blanks. A line starts at the beginning of the document and after each carriage return (with
// its line feed, when one follows). A carriage return that ends a message gets no blanks
// after it; one that ends a buffer inside a message has them put before the next buffer's
// text, so the line that follows is indented too.
//
// Threads: one object belongs to its device's send thread.
#pragma once

#include <cstdint>
#include <string>

namespace devices {

class CColumnOffset {
public:
    static constexpr std::uint32_t kMaximumColumns = 40;

    // dwColumns blanks (at most kMaximumColumns) before each line; 0 passes text unchanged.
    explicit CColumnOffset(std::uint32_t dwColumns)
        : m_strPrefix(dwColumns < kMaximumColumns ? dwColumns : kMaximumColumns, ' ') {}

    // The buffer's text as it goes to the printer; bEndsMessage when it is the message's last
    // buffer (the next buffer starts a new document).
    std::string Rewrite(const std::string& text, bool bEndsMessage);

    const std::string& Prefix() const noexcept { return m_strPrefix; }

private:
    std::string m_strPrefix;
    bool m_bStartOfDocument = true;
    bool m_bAfterCarriageReturn = false;
};

}  // namespace devices
