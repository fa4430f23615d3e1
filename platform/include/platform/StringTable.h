// User texts by numeric id, one table per module, looked up as Windows string resources
// are: a text that is not there loads as nothing, and a text loaded into a fixed buffer is
// cut to fit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class StringTable {
public:
    struct Entry {
        std::uint32_t id;
        std::string_view text;
    };

    StringTable() = default;
    // The texts are copied; of two entries with one id the first counts.
    StringTable(std::initializer_list<Entry> entries);
    explicit StringTable(const std::vector<Entry>& entries);

    std::size_t size() const noexcept { return m_entries.size(); }
    std::optional<std::string_view> Find(std::uint32_t id) const;

    // As a string object loads a resource text: true with the text, or false with `out`
    // emptied.
    bool Load(std::uint32_t id, std::string& out) const;
    // As a text is loaded into a buffer of `size` bytes: at most size - 1 bytes and a zero;
    // the result is the count copied, 0 when the id has no text (the buffer then holds "").
    std::uint32_t Load(std::uint32_t id, char* buffer, std::uint32_t size) const;

    // The tables of the modules, by module name. A module registers its table when it
    // starts (registering again replaces it); the registry keeps its own copy, so a table
    // stays valid after its module is unloaded.
    static void Register(std::string_view module, StringTable table);
    static void Unregister(std::string_view module);
    static std::shared_ptr<const StringTable> ForModule(std::string_view module);

private:
    void Add(std::uint32_t id, std::string_view text);
    void Finish();

    std::vector<std::pair<std::uint32_t, std::string>> m_entries;  // sorted by id
};

}  // namespace platform
