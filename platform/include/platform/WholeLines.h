// Keeps the whole lines of a log that is appended to through a mapping (see MappedLog.h), fed
// in pieces of any size. A line is whole when its line break is there; the bytes a line took
// stay zero until it is written, with its break last, so a run of zero bytes ends a line
// that was not (or not yet) written whole: what comes before the zeros on that line is
// dropped with them, and the bytes after the last break are held back until their break
// comes. Zero bytes never appear in a whole line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

class WholeLines {
public:
    // Appends to `out` the whole lines that `bytes` completes.
    void Feed(std::string_view bytes, std::string& out);
    // The bytes held back: a line without its break yet.
    [[nodiscard]] std::size_t Held() const noexcept { return m_held.size(); }

    // The whole lines of a complete text.
    static std::string Of(std::string_view bytes);

private:
    std::string m_held;
};

}  // namespace platform
