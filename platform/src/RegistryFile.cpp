#include "platform/RegistryFile.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "platform/ByteReader.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

char Lower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameLess(std::string_view a, std::string_view b) noexcept {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Lower(x)) < static_cast<unsigned char>(Lower(y));
    });
}

bool IsControl(unsigned char c) noexcept {
    return c < 0x20 || c == 0x7F;
}

bool IsPrintable(std::span<const std::uint8_t> data) noexcept {
    return std::all_of(data.begin(), data.end(),
                       [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view TrimLeft(std::string_view s) noexcept {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) noexcept {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Reads a quoted text at the start of `s` (past its opening quote), undoing \\ and \".
bool ReadQuoted(std::string_view& s, std::string& out, std::string& error) {
    std::size_t i = 1;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                error = "unknown escape in quoted text (only \\\\ and \\\" are allowed)";
                return false;
            }
            out.push_back(s[++i]);
        } else {
            out.push_back(c);
        }
    }
    error = "quoted text without its closing quote";
    return false;
}

bool ReadHexNumber(std::string_view digits, std::uint32_t& value) noexcept {
    if (digits.empty() || digits.size() > 8) return false;
    value = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
}

bool ReadHexList(std::string_view s, std::vector<std::uint8_t>& out, std::string& error) {
    s = TrimRight(TrimLeft(s));
    if (s.empty()) return true;
    for (;;) {
        s = TrimLeft(s);
        if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) {
            error = "expected two hexadecimal digits in the byte list";
            return false;
        }
        if (out.size() >= kMaxValueSize) {
            error = "value larger than the store allows";
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(HexDigit(s[0]) * 16 + HexDigit(s[1])));
        s = TrimLeft(s.substr(2));
        if (s.empty()) return true;
        if (s.front() != ',') {
            error = "expected a comma between bytes";
            return false;
        }
        s.remove_prefix(1);
    }
}

// A key's parent and folded name, and the same without a copy of the name for looking up.
struct ChildName {
    const RegistryKey* parent;
    std::string name;
};

struct ChildView {
    const RegistryKey* parent;
    std::string_view name;
};

struct ChildHash {
    using is_transparent = void;
    std::size_t operator()(const ChildView& c) const noexcept {
        return std::hash<std::string_view>{}(c.name) ^
               (std::hash<const void*>{}(c.parent) * 0x9E3779B97F4A7C15ull);
    }
    std::size_t operator()(const ChildName& c) const noexcept {
        return (*this)(ChildView{c.parent, c.name});
    }
};

struct ChildEqual {
    using is_transparent = void;
    static ChildView View(const ChildView& c) noexcept { return c; }
    static ChildView View(const ChildName& c) noexcept { return {c.parent, c.name}; }
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const noexcept {
        const ChildView x = View(a);
        const ChildView y = View(b);
        return x.parent == y.parent && x.name == y.name;
    }
};

class Parser {
public:
    Parser(std::span<const std::uint8_t> text, std::string_view hive, RegistryKey& root)
        : m_reader(text), m_hive(hive), m_root(root) {}

    bool Run(std::string& error) {
        if (m_reader.size() > kMaxRegistryFileSize) {
            error = "line 0: file larger than the store allows";
            return false;
        }
        std::span<const std::uint8_t> bom;
        if (m_reader.remaining() >= 3 && m_reader.rest()[0] == 0xEF && m_reader.rest()[1] == 0xBB &&
            m_reader.rest()[2] == 0xBF) {
            (void)m_reader.bytes(3, bom);
        }
        std::string_view line;
        if (!NextLine(line) || (TrimRight(line) != kHeader && TrimRight(line) != kOldHeader)) {
            error = "line 1: expected the header line \"" + std::string(kHeader) + "\"";
            return false;
        }
        while (NextLine(line)) {
            std::string_view s = TrimRight(TrimLeft(line));
            if (s.empty() || s.front() == ';') continue;
            bool ok = true;
            if (s.front() == '[') {
                ok = Section(s);
            } else if (s.front() == '"' || s.front() == '@') {
                ok = Value(s);
            } else {
                m_error = "expected a [key] line or a \"name\"=value line";
                ok = false;
            }
            if (!ok) {
                char where[32];
                std::snprintf(where, sizeof where, "line %zu: ", m_lineNumber);
                error = where + m_error;
                return false;
            }
        }
        return true;
    }

private:
    // The next line without its line break (and a carriage return before it).
    bool NextLine(std::string_view& line) {
        if (m_reader.empty()) return false;
        const auto rest = m_reader.rest();
        const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{'\n'});
        const auto length = static_cast<std::size_t>(end - rest.begin());
        std::span<const std::uint8_t> bytes;
        (void)m_reader.bytes(length, bytes);
        (void)m_reader.skip(end == rest.end() ? 0 : 1);
        line = std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++m_lineNumber;
        return true;
    }

    bool Section(std::string_view s) {
        if (s.back() != ']') return Fail("a [key] line must end with ']'");
        s = s.substr(1, s.size() - 2);
        if (!s.empty() && s.front() == '-') return Fail("removing keys is not supported here");
        const std::size_t cut = s.find('\\');
        if (!NamesEqual(s.substr(0, cut), m_hive)) return Fail("key outside this hive");
        if (cut == std::string_view::npos) {
            m_current = &m_root;
            m_depth = 0;
            return true;
        }
        // The writer puts each key right after its parent or one of its siblings: the names
        // this line shares with the one before are taken from that one, and only the others
        // are looked up (or made) by their parent and name. Each line costs time in
        // proportion to its length, whatever the order of the keys.
        const std::string_view rest = s.substr(cut + 1);
        RegistryKey* key = &m_root;
        std::size_t depth = 0;
        std::size_t begin = 0;
        bool sharing = true;
        for (;;) {
            const std::size_t next = rest.find('\\', begin);
            const std::string_view name = rest.substr(begin, next - begin);
            if (!ValidKeyName(name)) return Fail("invalid key name in the path");
            if (depth >= kMaxKeyDepth) return Fail("keys nested too deeply");
            m_folded.assign(name);
            for (char& c : m_folded) c = Lower(c);
            sharing = sharing && depth < m_depth && m_path[depth].folded == m_folded;
            if (sharing) {
                key = m_path[depth].key;
            } else {
                const auto it = m_children.find(ChildView{key, m_folded});
                if (it != m_children.end()) {
                    key = it->second;
                } else {
                    RegistryKey* child = &key->AddParsedSubkey(name);
                    m_children.emplace(ChildName{key, m_folded}, child);
                    key = child;
                }
                if (depth == m_path.size()) m_path.emplace_back();
                m_path[depth].folded = m_folded;
                m_path[depth].key = key;
            }
            ++depth;
            if (next == std::string_view::npos) break;
            begin = next + 1;
        }
        m_depth = depth;
        m_current = key;
        return true;
    }

    bool Value(std::string_view s) {
        if (!m_current) return Fail("a value before the first [key] line");
        RegistryValue value;
        if (s.front() == '@') {
            s.remove_prefix(1);
        } else if (!ReadQuoted(s, value.name, m_error)) {
            return false;
        }
        if (!ValidValueName(value.name)) return Fail("invalid value name");
        s = TrimLeft(s);
        if (s.empty() || s.front() != '=') return Fail("expected '=' after the value name");
        s = TrimLeft(s.substr(1));
        if (!s.empty() && s.front() == '"') {
            std::string text;
            if (!ReadQuoted(s, text, m_error)) return false;
            if (!TrimLeft(s).empty()) return Fail("text after the closing quote");
            if (text.size() > kMaxValueSize) return Fail("value larger than the store allows");
            value.type = REG_SZ;
            value.data.assign(text.begin(), text.end());
        } else if (s.substr(0, 6) == "dword:") {
            std::uint32_t number = 0;
            if (!ReadHexNumber(s.substr(6), number))
                return Fail("expected one to eight hexadecimal digits after dword:");
            value.type = REG_DWORD;
            value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                          static_cast<std::uint8_t>(number >> 16),
                          static_cast<std::uint8_t>(number >> 24)};
        } else if (s.substr(0, 3) == "hex") {
            s.remove_prefix(3);
            value.type = REG_BINARY;
            if (!s.empty() && s.front() == '(') {
                const std::size_t close = s.find(')');
                if (close == std::string_view::npos ||
                    !ReadHexNumber(s.substr(1, close - 1), value.type))
                    return Fail("expected hex(<type>): with a hexadecimal type");
                s.remove_prefix(close + 1);
            }
            if (s.empty() || s.front() != ':') return Fail("expected ':' after hex");
            s.remove_prefix(1);
            if (!HexData(s, value.data)) return false;
        } else {
            return Fail("expected \"text\", dword: or hex: data");
        }
        if (!m_current->AddParsedValue(std::move(value)))
            return Fail("value given twice in one key");
        return true;
    }

    // A byte list, continued on the following lines while a line ends with ",\".
    bool HexData(std::string_view s, std::vector<std::uint8_t>& out) {
        for (;;) {
            s = TrimRight(s);
            const bool more = !s.empty() && s.back() == '\\';
            if (more) {
                s = TrimRight(s.substr(0, s.size() - 1));
                if (!s.empty()) {
                    if (s.back() != ',') return Fail("a continued byte list must end with \",\\\"");
                    s.remove_suffix(1);
                }
            }
            if (!ReadHexList(s, out, m_error)) return false;
            if (!more) return true;
            if (!NextLine(s)) return Fail("byte list continued past the end of the file");
        }
    }

    bool Fail(const char* what) {
        m_error = what;
        return false;
    }

    ByteReader m_reader;
    std::string_view m_hive;
    RegistryKey& m_root;
    RegistryKey* m_current = nullptr;
    std::size_t m_lineNumber = 0;
    std::string m_error;
    // The keys of the last [key] line, level by level (the first m_depth are in use).
    struct Level {
        std::string folded;
        RegistryKey* key = nullptr;
    };
    std::vector<Level> m_path;
    std::size_t m_depth = 0;
    std::string m_folded;
    // Every key read so far, by its parent and folded name.
    std::unordered_map<ChildName, RegistryKey*, ChildHash, ChildEqual> m_children;
};

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendSubkeys(std::string& out, const RegistryKey& key, std::string& path);

void AppendValue(std::string& out, const RegistryValue& value) {
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, value.name);
    }
    out.push_back('=');
    char head[24];
    if (value.type == REG_SZ && IsPrintable(value.data)) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                           value.data.size()));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(head, sizeof head, "dword:%08x", number);
        out += head;
    } else {
        if (value.type == REG_BINARY) {
            out += "hex:";
        } else {
            std::snprintf(head, sizeof head, "hex(%x):", value.type);
            out += head;
        }
        std::size_t column = out.size() - lineStart;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            std::snprintf(head, sizeof head, "%02x", value.data[i]);
            out += head;
            column += 2;
            if (i + 1 < value.data.size()) {
                out.push_back(',');
                ++column;
                if (column > 76) {
                    out += "\\\n  ";
                    column = 2;
                }
            }
        }
    }
    out.push_back('\n');
}

// Writes a key and the keys below it; `path` is the key's path, given back unchanged.
void AppendKey(std::string& out, const RegistryKey& key, std::string& path) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& value : key.values()) AppendValue(out, value);
    out.push_back('\n');
    AppendSubkeys(out, key, path);
}

void AppendSubkeys(std::string& out, const RegistryKey& key, std::string& path) {
    const std::size_t length = path.size();
    for (const auto& sub : key.subkeys()) {
        path += '\\';
        path += sub->name();
        AppendKey(out, *sub, path);
        path.resize(length);
    }
}

}  // namespace

namespace {

std::string Folded(std::string_view name) {
    std::string out(name);
    for (char& c : out) c = Lower(c);
    return out;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool ValidKeyName(std::string_view name) noexcept {
    if (name.empty() || name.size() > kMaxKeyNameLength) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || IsControl(static_cast<unsigned char>(c));
    });
}

bool ValidValueName(std::string_view name) noexcept {
    if (name.size() > kMaxValueNameLength) return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return IsControl(static_cast<unsigned char>(c)); });
}

RegistryKey* RegistryKey::FindSubkey(std::string_view name) noexcept {
    const auto it = std::lower_bound(m_subkeys.begin(), m_subkeys.end(), name,
                                     [](const std::unique_ptr<RegistryKey>& k, std::string_view n) {
                                         return NameLess(k->m_name, n);
                                     });
    return (it != m_subkeys.end() && NamesEqual((*it)->m_name, name)) ? it->get() : nullptr;
}

const RegistryKey* RegistryKey::FindSubkey(std::string_view name) const noexcept {
    return const_cast<RegistryKey*>(this)->FindSubkey(name);
}

RegistryKey& RegistryKey::AddSubkey(std::string_view name) {
    const auto it = std::lower_bound(m_subkeys.begin(), m_subkeys.end(), name,
                                     [](const std::unique_ptr<RegistryKey>& k, std::string_view n) {
                                         return NameLess(k->m_name, n);
                                     });
    if (it != m_subkeys.end() && NamesEqual((*it)->m_name, name)) return **it;
    return **m_subkeys.insert(it, std::make_unique<RegistryKey>(std::string(name)));
}

bool RegistryKey::RemoveSubkey(std::string_view name) {
    const auto it = std::find_if(m_subkeys.begin(), m_subkeys.end(),
                                 [&](const auto& k) { return NamesEqual(k->m_name, name); });
    if (it == m_subkeys.end()) return false;
    m_subkeys.erase(it);
    return true;
}

const RegistryValue* RegistryKey::FindValue(std::string_view name) const noexcept {
    try {
        const auto it = m_valueIndex.find(Folded(name));
        return it == m_valueIndex.end() ? nullptr : &m_values[it->second];
    } catch (...) {
        return nullptr;
    }
}

bool RegistryKey::SetValue(std::string_view name, REGTYPE type,
                           std::span<const std::uint8_t> data) {
    const auto [it, added] = m_valueIndex.try_emplace(Folded(name), m_values.size());
    if (added) {
        m_values.push_back({std::string(name), type, {data.begin(), data.end()}});
        return true;
    }
    RegistryValue& value = m_values[it->second];
    if (value.type == type &&
        std::equal(value.data.begin(), value.data.end(), data.begin(), data.end()))
        return false;
    value.type = type;
    value.data.assign(data.begin(), data.end());
    return true;
}

bool RegistryKey::AddParsedValue(RegistryValue value) {
    if (!m_valueIndex.try_emplace(Folded(value.name), m_values.size()).second) return false;
    m_values.push_back(std::move(value));
    return true;
}

bool RegistryKey::RemoveValue(std::string_view name) {
    const auto it = m_valueIndex.find(Folded(name));
    if (it == m_valueIndex.end()) return false;
    const std::size_t at = it->second;
    m_valueIndex.erase(it);
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& entry : m_valueIndex) {
        if (entry.second > at) --entry.second;
    }
    return true;
}

RegistryKey& RegistryKey::AddParsedSubkey(std::string_view name) {
    return *m_subkeys.emplace_back(std::make_unique<RegistryKey>(std::string(name)));
}

void RegistryKey::SortSubkeys() {
    // A file the writer made has every key's sub-keys in order already.
    const auto less = [](const auto& a, const auto& b) { return NameLess(a->m_name, b->m_name); };
    if (!std::is_sorted(m_subkeys.begin(), m_subkeys.end(), less))
        std::sort(m_subkeys.begin(), m_subkeys.end(), less);
    for (auto& sub : m_subkeys) sub->SortSubkeys();
}

bool RegistryFile::Parse(std::span<const std::uint8_t> text, std::string_view hive,
                         RegistryKey& root, std::string& error) {
    Parser parser(text, hive, root);
    const bool ok = parser.Run(error);
    root.SortSubkeys();
    return ok;
}

std::string RegistryFile::Serialize(const RegistryKey& root, std::string_view hive) {
    std::string out(kHeader);
    out += "\n\n";
    std::string path(hive);
    if (!root.values().empty()) {
        AppendKey(out, root, path);
    } else {
        AppendSubkeys(out, root, path);
    }
    return out;
}

}  // namespace platform
