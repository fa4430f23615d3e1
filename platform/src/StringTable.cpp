#include "platform/StringTable.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace platform {

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<const StringTable>, std::less<>> tables;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

StringTable::StringTable(std::initializer_list<Entry> entries) {
    for (const Entry& e : entries) Add(e.id, e.text);
    Finish();
}

StringTable::StringTable(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) Add(e.id, e.text);
    Finish();
}

void StringTable::Add(std::uint32_t id, std::string_view text) {
    m_entries.emplace_back(id, std::string(text));
}

void StringTable::Finish() {
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_entries.erase(std::unique(m_entries.begin(), m_entries.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; }),
                    m_entries.end());
}

std::optional<std::string_view> StringTable::Find(std::uint32_t id) const {
    const auto it =
        std::lower_bound(m_entries.begin(), m_entries.end(), id,
                         [](const auto& e, std::uint32_t key) { return e.first < key; });
    if (it == m_entries.end() || it->first != id) return std::nullopt;
    return std::string_view(it->second);
}

bool StringTable::Load(std::uint32_t id, std::string& out) const {
    const auto text = Find(id);
    if (!text) {
        out.clear();
        return false;
    }
    out.assign(*text);
    return true;
}

std::uint32_t StringTable::Load(std::uint32_t id, char* buffer, std::uint32_t size) const {
    if (buffer == nullptr || size == 0) return 0;
    const auto text = Find(id);
    const std::size_t n = text ? std::min<std::size_t>(text->size(), size - 1) : 0;
    if (n > 0) std::memcpy(buffer, text->data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

void StringTable::Register(std::string_view module, StringTable table) {
    auto shared = std::make_shared<const StringTable>(std::move(table));
    Registry& registry = TheRegistry();
    const std::lock_guard guard(registry.lock);
    registry.tables[std::string(module)] = std::move(shared);
}

void StringTable::Unregister(std::string_view module) {
    Registry& registry = TheRegistry();
    const std::lock_guard guard(registry.lock);
    if (const auto it = registry.tables.find(module); it != registry.tables.end())
        registry.tables.erase(it);
}

std::shared_ptr<const StringTable> StringTable::ForModule(std::string_view module) {
    Registry& registry = TheRegistry();
    const std::lock_guard guard(registry.lock);
    const auto it = registry.tables.find(module);
    return it == registry.tables.end() ? nullptr : it->second;
}

}  // namespace platform
