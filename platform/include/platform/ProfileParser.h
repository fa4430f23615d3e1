// The text of an initialisation ("ini") file, parsed and edited without any I/O: named
// sections ("[name]") of lines "key=value"; a line whose first non-blank character is ';'
// is a comment. Section and key names compare without regard to case. Every line is kept
// as it was read, so an edit changes only the lines it touches; comments, blank lines and
// the order of the rest survive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ProfileDocument {
public:
    enum class LineKind { Other, Comment, Section, Entry };

    struct Line {
        std::string text;  // the line without its end-of-line bytes
        LineKind kind = LineKind::Other;
        std::string name;       // section or key name, blanks trimmed
        std::string value;      // an entry's value, blanks trimmed, quotes kept
        bool hasValue = false;  // an entry with '='
    };

    const std::vector<Line>& lines() const noexcept { return m_lines; }

    // The value of the first entry `key` in section `section` (sections of the same name
    // count as one); nothing when either is missing or the entry has no '='.
    std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    // Section names in the order of the file, each name once.
    std::vector<std::string> SectionNames() const;
    // Key names of a section in the order of the file, each once.
    std::vector<std::string> KeyNames(std::string_view section) const;
    // The entries of a section as "key=value" ("key" for an entry without '=').
    std::vector<std::string> SectionEntries(std::string_view section) const;

    // Edits; each returns true when the document changed.
    // Replaces the value of the first entry `key`, or adds "key=value" at the end of the
    // section, or adds the section at the end of the document.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes every entry `key` of the section.
    bool RemoveKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    bool RemoveSection(std::string_view section);

    // The document's bytes; every line ends with the end-of-line of the file read ("\r\n"
    // when its first line ended so, else "\n").
    std::vector<std::uint8_t> Serialize() const;

private:
    friend class ProfileParser;

    // Index of the line that ends section `header` (one past its last line).
    std::size_t SectionEnd(std::size_t header) const;
    std::vector<std::size_t> SectionHeaders(std::string_view section) const;

    std::vector<Line> m_lines;
    bool m_crlf = false;
};

class ProfileParser {
public:
    // Bounds on what a file may hold, checked before anything is allocated for it.
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;
    static constexpr std::size_t kMaxLineLength = 64 * 1024;
    static constexpr std::size_t kMaxLines = 100000;

    // Parses a file's bytes; false (and an empty document) when the bytes pass the bounds.
    [[nodiscard]] static bool Parse(std::span<const std::uint8_t> bytes, ProfileDocument& out);
    // Classifies one line (without its end-of-line bytes).
    static ProfileDocument::Line ParseLine(std::string_view text);
};

// Compares names as the file's readers do: ASCII letters without regard to case.
bool ProfileNamesEqual(std::string_view a, std::string_view b) noexcept;

}  // namespace platform
