// The configuration store's text form, free of I/O: a tree of keys with typed values, read
// from and written to the text that an administrator can read, diff and edit.
//
// One file per hive:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\The TREVO Group]
//   "Name"="text"                  REG_SZ of printable characters (\\ and \" escaped)
//   "Count"=dword:00000010         REG_DWORD of 4 bytes
//   "Blob"=hex:01,ff,00            REG_BINARY
//   "List"=hex(7):41,00,00         REG_MULTI_SZ
//   "Raw"=hex(1):0d,0a,ff          REG_SZ holding bytes that are not printable characters
//   @="default"                    the value without a name
//
// A REG_SZ is kept byte for byte: it is written in quotes when every byte is a printable
// character (0x20..0x7E) and otherwise as hex(1): with its exact bytes (terminating zero
// bytes included, when the writer stored them). Any other type or size is written as
// hex(<type>):. Hex lists may continue on the next line after ",\". Lines starting with ';'
// and blank lines are ignored. Every key has a section of its own, also keys without values.
//
// The file begins with the header line (after a byte order mark, if any); a file without it,
// an empty one included, is damaged.
//
// Key and value names compare without regard to (ASCII) case and keep the case they were
// created with. Sub-keys are kept in name order, values in the order they were created.
// Reading and writing take time in proportion to the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

using REGTYPE = std::uint32_t;
inline constexpr REGTYPE REG_NONE = 0;
inline constexpr REGTYPE REG_SZ = 1;
inline constexpr REGTYPE REG_EXPAND_SZ = 2;
inline constexpr REGTYPE REG_BINARY = 3;
inline constexpr REGTYPE REG_DWORD = 4;
inline constexpr REGTYPE REG_MULTI_SZ = 7;

// Limits of the store: what a file may hold and what callers may create.
inline constexpr std::size_t kMaxRegistryFileSize = 16u << 20;
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxValueSize = 1u << 20;
inline constexpr std::size_t kMaxKeyDepth = 512;

bool NamesEqual(std::string_view a, std::string_view b) noexcept;
// A key name may not be empty, longer than kMaxKeyNameLength, or hold a backslash or a
// control byte; a value name may be empty but not longer than kMaxValueNameLength nor hold
// a control byte.
bool ValidKeyName(std::string_view name) noexcept;
bool ValidValueName(std::string_view name) noexcept;

struct RegistryValue {
    std::string name;
    REGTYPE type = REG_NONE;
    std::vector<std::uint8_t> data;
};

class RegistryKey {
public:
    explicit RegistryKey(std::string name = {}) : m_name(std::move(name)) {}

    const std::string& name() const noexcept { return m_name; }
    const std::vector<RegistryValue>& values() const noexcept { return m_values; }
    const std::vector<std::unique_ptr<RegistryKey>>& subkeys() const noexcept { return m_subkeys; }

    RegistryKey* FindSubkey(std::string_view name) noexcept;
    const RegistryKey* FindSubkey(std::string_view name) const noexcept;
    // The existing sub-key of that name, or a new one.
    RegistryKey& AddSubkey(std::string_view name);
    // False when there is no such sub-key.
    bool RemoveSubkey(std::string_view name);

    const RegistryValue* FindValue(std::string_view name) const noexcept;
    // Sets a value (keeping the case of an existing name); false when it held exactly this.
    bool SetValue(std::string_view name, REGTYPE type, std::span<const std::uint8_t> data);
    bool RemoveValue(std::string_view name);
    // Adds a value read from a file; false when the key holds one of that name already.
    bool AddParsedValue(RegistryValue value);
    // Adds a sub-key read from a file at the end, out of name order: the reader knows there
    // is none of that name yet and puts every key's sub-keys in order once it is done.
    RegistryKey& AddParsedSubkey(std::string_view name);
    void SortSubkeys();

private:
    std::string m_name;
    std::vector<RegistryValue> m_values;
    std::unordered_map<std::string, std::size_t> m_valueIndex;  // folded name -> position
    std::vector<std::unique_ptr<RegistryKey>> m_subkeys;
};

class RegistryFile {
public:
    // Parses one hive's file into `root` (which should be empty). On failure returns false
    // and sets `error` to "line N: <what is wrong>"; `root` then holds what was read so far.
    [[nodiscard]] static bool Parse(std::span<const std::uint8_t> text, std::string_view hive,
                                    RegistryKey& root, std::string& error);
    static std::string Serialize(const RegistryKey& root, std::string_view hive);
};

}  // namespace platform
