#include "platform/Profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/Path.h"
#include "platform/ProfileParser.h"
#include "platform/Win32Error.h"

namespace platform {

namespace {

bool NamedWithoutFolder(std::string_view name) {
    return name.find_first_of("\\/:") == std::string_view::npos;
}

enum class LoadResult { Loaded, Missing, Failed };

LoadResult Load(const std::filesystem::path& path, ProfileDocument& doc) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, ProfileParser::kMaxFileSize)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            doc = ProfileDocument{};
            return LoadResult::Missing;
        }
        return LoadResult::Failed;
    }
    if (!ProfileParser::Parse(bytes, doc)) {
        SetLastError(ERROR_INVALID_DATA);
        return LoadResult::Failed;
    }
    return LoadResult::Loaded;
}

bool LoadForRead(const char* fileName, ProfileDocument& doc) {
    const std::filesystem::path path = ProfilePath(fileName);
    return !path.empty() && Load(path, doc) == LoadResult::Loaded;
}

std::uint32_t CopyValue(std::string_view text, char* buffer, std::uint32_t size) {
    if (size == 0 || buffer == nullptr) return 0;
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

// Zero-terminated names, one more zero at the end; a list that does not fit is cut and
// still ends with two zeros, and the result is size - 2.
std::uint32_t CopyList(const std::vector<std::string>& names, char* buffer, std::uint32_t size) {
    if (size == 0 || buffer == nullptr) return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    if (names.empty()) {
        buffer[0] = buffer[1] = '\0';
        return 0;
    }
    std::size_t room = size - 1;  // the final zero is always kept free
    char* out = buffer;
    for (const std::string& name : names) {
        const std::size_t need = name.size() + 1;
        if (need > room) {
            if (room > 0) {
                std::memcpy(out, name.data(), room - 1);
                out += room - 1;
                *out++ = '\0';
            }
            *out = '\0';
            return size - 2;
        }
        std::memcpy(out, name.c_str(), need);
        out += need;
        room -= need;
    }
    *out = '\0';
    return static_cast<std::uint32_t>(out - buffer);
}

std::uint32_t Listed(const std::vector<std::string>& names, char* buffer, std::uint32_t size) {
    const std::uint32_t n = CopyList(names, buffer, size);
    SetLastError(names.empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
    return n;
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreak(const char* text) {
    return text != nullptr && std::strpbrk(text, "\r\n") != nullptr;
}

std::string_view Trimmed(const char* text) {
    std::string_view s(text);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// An exclusive lock on the file beside the profile, held for one write.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& profile) {
        std::filesystem::path lock = profile;
        lock += ".lock";
        m_fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kSharedFileMode);
        if (m_fd < 0) {
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : FromErrno(errno));
            return;
        }
        int rc;
        do {
            rc = ::flock(m_fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            SetLastErrorFromErrno();
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~WriteLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool held() const noexcept { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace

std::filesystem::path ProfilePath(const char* fileName) {
    if (fileName == nullptr || *fileName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    if (NamedWithoutFolder(fileName)) return WindowsDir() / fileName;
    return MapPath(fileName);
}

std::uint32_t GetPrivateProfileString(const char* section, const char* key,
                                      const char* defaultValue, char* buffer, std::uint32_t size,
                                      const char* fileName) {
    ProfileDocument doc;
    const bool loaded = LoadForRead(fileName, doc);
    if (section == nullptr) return Listed(doc.SectionNames(), buffer, size);
    if (key == nullptr) return Listed(doc.KeyNames(section), buffer, size);

    if (loaded) {
        if (const auto value = doc.Value(section, key)) {
            const std::string_view text = StripQuotes(*value);
            const std::uint32_t n = CopyValue(text, buffer, size);
            SetLastError(n < text.size() ? ERROR_MORE_DATA : ERROR_SUCCESS);
            return n;
        }
    }
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    const std::uint32_t n = CopyValue(fallback, buffer, size);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return n;
}

std::uint32_t GetPrivateProfileInt(const char* section, const char* key, int defaultValue,
                                   const char* fileName) {
    if (section == nullptr || key == nullptr) return static_cast<std::uint32_t>(defaultValue);
    char text[64];
    if (GetPrivateProfileString(section, key, "", text, sizeof text, fileName) == 0)
        return static_cast<std::uint32_t>(defaultValue);
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    std::uint32_t result = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        result = result * 10u + static_cast<std::uint32_t>(*p - '0');
    return negative ? 0u - result : result;
}

std::uint32_t GetPrivateProfileSection(const char* section, char* buffer, std::uint32_t size,
                                       const char* fileName) {
    ProfileDocument doc;
    if (section == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return CopyList({}, buffer, size);
    }
    (void)LoadForRead(fileName, doc);
    return Listed(doc.SectionEntries(section), buffer, size);
}

std::uint32_t GetPrivateProfileSectionNames(char* buffer, std::uint32_t size,
                                            const char* fileName) {
    ProfileDocument doc;
    (void)LoadForRead(fileName, doc);
    return Listed(doc.SectionNames(), buffer, size);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* fileName) {
    if (section == nullptr) {
        // All three null asks Windows to flush its cache, which answers FALSE; there is no
        // cache here.
        if (key != nullptr || value != nullptr) SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        std::strchr(section, ']') != nullptr ||
        (key != nullptr && std::strchr(key, '=') != nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const std::filesystem::path path = ProfilePath(fileName);
    if (path.empty()) return false;
    if (NamedWithoutFolder(fileName) && !CreateDirectories(path.parent_path())) return false;

    const WriteLock lock(path);
    if (!lock.held()) return false;
    ProfileDocument doc;
    const LoadResult loaded = Load(path, doc);
    if (loaded == LoadResult::Failed) return false;

    const std::string_view sectionName = Trimmed(section);
    bool changed;
    if (key == nullptr)
        changed = doc.RemoveSection(sectionName);
    else if (value == nullptr)
        changed = doc.RemoveKey(sectionName, Trimmed(key));
    else
        changed = doc.SetValue(sectionName, Trimmed(key), value);
    if (!changed) {
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    const std::vector<std::uint8_t> bytes = doc.Serialize();
    if (!ReplaceFileContents(path, bytes, kSharedFileMode)) return false;
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace platform
