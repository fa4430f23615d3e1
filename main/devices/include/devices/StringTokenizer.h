// The scanner of a coupon record's fields. The delimiter is the record's third character;
// each token is a delimiter, a two-character field code and the field's value, up to the
// next delimiter. The segment between the first and the second delimiter is never a token
// (the record's first field is taken whole by the caller), nor is a last segment of fewer
// than two characters.
//
// Threads: one object per walk, owned by its caller.
#pragma once

#include <string>

namespace devices {

class CStringTokenizer {
public:
    // Takes the delimiter and moves to the first token.
    explicit CStringTokenizer(std::string text);

    // Moves to the next token: false when there is none.
    bool NextToken();
    // Whether the last move found a token.
    [[nodiscard]] bool HasToken() const noexcept { return m_bHasToken; }
    // The current token (delimiter, code, value) and its two-character code.
    [[nodiscard]] const std::string& Token() const noexcept { return m_strToken; }
    [[nodiscard]] const std::string& Code() const noexcept { return m_strCode; }
    // The text from the current position to the end.
    [[nodiscard]] std::string Remainder() const;
    // The delimiter, or -1 when the text has no third character.
    [[nodiscard]] int Delimiter() const noexcept { return m_iDelimiter; }

private:
    // The next delimiter at or after pos, or the text's length.
    std::size_t FindDelimiter(std::size_t pos) const;

    std::string m_strText;
    std::size_t m_nPosition = 0;
    int m_iDelimiter = -1;
    std::string m_strCode;
    std::string m_strToken;
    bool m_bHasToken = false;
};

}  // namespace devices
