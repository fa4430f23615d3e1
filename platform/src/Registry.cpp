#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/FileOps.h"
#include "platform/MachineRoot.h"

namespace platform {

struct RegKeyHandle {
    int hive = 0;
    std::vector<std::string> path;  // names as stored
    bool canWrite = false;
};

namespace {

constexpr int kHiveCount = 2;
constexpr const char* kHiveNames[kHiveCount] = {"HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE"};
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x10000 |
                                0x40000 | 0x80000;  // plus DELETE, WRITE_DAC, WRITE_OWNER

thread_local std::string t_problem;

// What tells one version of a store file from another.
struct FileStamp {
    std::string path;
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    std::int64_t mtime = 0;
    std::int64_t ctime = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path, const struct stat& st) {
    FileStamp stamp;
    stamp.path = path;
    stamp.exists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctime = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

// One hive of this process: the parsed file and the stamp of the file it came from.
struct HiveState {
    std::mutex lock;
    std::unique_ptr<RegistryKey> tree;
    FileStamp stamp;
};

HiveState g_hives[kHiveCount];

std::mutex g_handleLock;
std::unordered_set<RegKeyHandle*> g_handles;

std::string HiveFile(int hive) {
    return (RegistryDir() / (std::string(kHiveNames[hive]) + ".reg")).string();
}

LONG ErrnoResult(int err) {
    return static_cast<LONG>(FromErrno(err));
}

// Reads and parses a hive's file (a missing file is an empty hive).
LONG ReadHive(int hive, std::unique_ptr<RegistryKey>& tree, FileStamp& stamp) {
    const std::string path = HiveFile(hive);
    tree = std::make_unique<RegistryKey>();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) return ErrnoResult(errno);
        stamp = FileStamp{};
        stamp.path = path;
        return ERROR_SUCCESS;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return ErrnoResult(err);
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxRegistryFileSize) {
        ::close(fd);
        t_problem = path + ": larger than the store allows";
        return ERROR_REGISTRY_CORRUPT;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return ErrnoResult(err);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    std::string error;
    if (!RegistryFile::Parse(bytes, kHiveNames[hive], *tree, error)) {
        t_problem = path + ": " + error;
        return ERROR_REGISTRY_CORRUPT;
    }
    stamp = StampOf(path, st);
    return ERROR_SUCCESS;
}

// Brings the process's copy of a hive up to date (hive lock held).
LONG Refresh(int hive) {
    HiveState& state = g_hives[hive];
    const std::string path = HiveFile(hive);
    struct stat st {};
    FileStamp now;
    if (::stat(path.c_str(), &st) == 0) {
        now = StampOf(path, st);
    } else if (errno == ENOENT) {
        now.path = path;
    } else {
        return ErrnoResult(errno);
    }
    if (state.tree && state.stamp == now) return ERROR_SUCCESS;
    std::unique_ptr<RegistryKey> tree;
    FileStamp stamp;
    const LONG rc = ReadHive(hive, tree, stamp);
    if (rc != ERROR_SUCCESS) {
        state.tree.reset();
        return rc;
    }
    state.tree = std::move(tree);
    state.stamp = stamp;
    return ERROR_SUCCESS;
}

// Whether this process may change the hive's file.
LONG CheckWritable(int hive) {
    const std::string path = HiveFile(hive);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // A file without any write permission is read-only for every account, the
        // administrator's included.
        if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
            return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    }
    if (errno != ENOENT) return ErrnoResult(errno);
    const std::string dir = RegistryDir().string();
    if (::access(dir.c_str(), F_OK) != 0) {
        if (!CreateDirectories(dir)) return static_cast<LONG>(GetLastError());
        return ERROR_SUCCESS;
    }
    return ::access(dir.c_str(), W_OK) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

RegistryKey* Walk(RegistryKey& root, const std::vector<std::string>& path) {
    RegistryKey* key = &root;
    for (const auto& name : path) {
        key = key->FindSubkey(name);
        if (!key) return nullptr;
    }
    return key;
}

// Splits "A\B\C" into its names (a trailing backslash is allowed).
bool SplitPath(const char* subKey, std::vector<std::string>& out) {
    if (!subKey) return true;
    std::string_view rest(subKey);
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    while (!rest.empty()) {
        const std::size_t cut = rest.find('\\');
        const std::string_view name = rest.substr(0, cut);
        if (!ValidKeyName(name)) return false;
        out.emplace_back(name);
        if (out.size() > kMaxKeyDepth) return false;
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
        if (rest.empty()) return false;
    }
    return true;
}

// The hive and path of a handle (a predefined key is its hive's root).
LONG Resolve(HKEY key, RegKeyHandle& out) {
    if (key == HKEY_CLASSES_ROOT || key == HKEY_LOCAL_MACHINE) {
        out.hive = key == HKEY_CLASSES_ROOT ? 0 : 1;
        out.path.clear();
        out.canWrite = true;
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> guard(g_handleLock);
    if (!key || !g_handles.count(key)) return ERROR_INVALID_HANDLE;
    out = *key;
    return ERROR_SUCCESS;
}

HKEY NewHandle(int hive, std::vector<std::string> path, bool canWrite) {
    auto* handle = new RegKeyHandle{hive, std::move(path), canWrite};
    std::lock_guard<std::mutex> guard(g_handleLock);
    g_handles.insert(handle);
    return handle;
}

// The names of a key's path as stored (the caller's spelling may differ in case).
std::vector<std::string> StoredNames(RegistryKey& root, const std::vector<std::string>& path) {
    std::vector<std::string> names;
    RegistryKey* key = &root;
    for (const auto& name : path) {
        key = key->FindSubkey(name);
        names.push_back(key ? key->name() : name);
        if (!key) break;
    }
    return names;
}

// Applies a change under the store's lock: reads the file afresh, applies `change`, and
// writes the file when the change reports it altered the tree. Hive lock held.
template <typename Change>
LONG Commit(int hive, Change&& change) {
    LONG rc = CheckWritable(hive);
    if (rc != ERROR_SUCCESS) return rc;
    const std::string lockPath =
        (RegistryDir() / (std::string(kHiveNames[hive]) + ".lock")).string();
    const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kSharedFileMode);
    if (lockFd < 0) return ErrnoResult(errno);
    while (::flock(lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int err = errno;
            ::close(lockFd);
            return ErrnoResult(err);
        }
    }
    HiveState& state = g_hives[hive];
    std::unique_ptr<RegistryKey> tree;
    FileStamp stamp;
    rc = ReadHive(hive, tree, stamp);
    if (rc == ERROR_SUCCESS) {
        bool changed = false;
        rc = change(*tree, changed);
        if (rc == ERROR_SUCCESS && changed) {
            const std::string text = RegistryFile::Serialize(*tree, kHiveNames[hive]);
            const std::string path = HiveFile(hive);
            if (!ReplaceFileContents(
                    path,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))) {
                rc = static_cast<LONG>(GetLastError());
                tree.reset();
            } else {
                struct stat st {};
                if (::stat(path.c_str(), &st) == 0) {
                    stamp = StampOf(path, st);
                } else {
                    tree.reset();  // re-read at the next call
                }
            }
        }
    }
    if (tree && rc == ERROR_SUCCESS) {
        state.tree = std::move(tree);
        state.stamp = stamp;
    } else if (rc != ERROR_SUCCESS) {
        state.tree.reset();
    }
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    return rc;
}

}  // namespace

LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    RegKeyHandle base;
    LONG rc = Resolve(key, base);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::string> path = base.path;
    if (!SplitPath(subKey, path)) return ERROR_FILE_NOT_FOUND;
    HiveState& state = g_hives[base.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(base.hive)) != ERROR_SUCCESS) return rc;
    if (!Walk(*state.tree, path))
        return base.path.empty() || Walk(*state.tree, base.path) ? ERROR_FILE_NOT_FOUND
                                                                 : ERROR_KEY_DELETED;
    const bool wantsWrite = (access & kWriteRights) != 0;
    if (wantsWrite && (rc = CheckWritable(base.hive)) != ERROR_SUCCESS) return rc;
    *result = NewHandle(base.hive, StoredNames(*state.tree, path), wantsWrite);
    return ERROR_SUCCESS;
}

namespace {

LONG CreateKey(HKEY key, const char* subKey, bool maximumAllowed, REGSAM access, HKEY* result,
               DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    RegKeyHandle base;
    LONG rc = Resolve(key, base);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::string> path = base.path;
    if (!SplitPath(subKey, path)) return ERROR_INVALID_PARAMETER;
    HiveState& state = g_hives[base.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(base.hive)) != ERROR_SUCCESS) return rc;
    if (!Walk(*state.tree, base.path)) return ERROR_KEY_DELETED;
    const bool writable = base.canWrite && CheckWritable(base.hive) == ERROR_SUCCESS;
    if (Walk(*state.tree, path)) {
        // There already: nothing to write.
        const bool wantsWrite = maximumAllowed ? writable : (access & kWriteRights) != 0;
        if (wantsWrite && !writable) return ERROR_ACCESS_DENIED;
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        *result = NewHandle(base.hive, StoredNames(*state.tree, path), wantsWrite);
        return ERROR_SUCCESS;
    }
    if (!base.canWrite) return ERROR_ACCESS_DENIED;
    rc = Commit(base.hive, [&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* parent = Walk(root, base.path);
        if (!parent) return ERROR_KEY_DELETED;
        changed = Walk(root, path) == nullptr;
        for (std::size_t i = base.path.size(); i < path.size(); ++i)
            parent = &parent->AddSubkey(path[i]);
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    if (disposition) *disposition = REG_CREATED_NEW_KEY;
    *result = NewHandle(base.hive, StoredNames(*state.tree, path),
                        maximumAllowed || (access & kWriteRights) != 0);
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD /*reserved*/, const char* /*keyClass*/,
                    DWORD /*options*/, REGSAM access, const void* /*security*/, HKEY* result,
                    DWORD* disposition) {
    return CreateKey(key, subKey, false, access, result, disposition);
}

LONG RegCreateKey(HKEY key, const char* subKey, HKEY* result) {
    return CreateKey(key, subKey, true, 0, result, nullptr);
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                     DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    RegKeyHandle handle;
    LONG rc = Resolve(key, handle);
    if (rc != ERROR_SUCCESS) return rc;
    HiveState& state = g_hives[handle.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(handle.hive)) != ERROR_SUCCESS) return rc;
    const RegistryKey* node = Walk(*state.tree, handle.path);
    if (!node) return ERROR_KEY_DELETED;
    const RegistryValue* value = node->FindValue(name ? name : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    const auto needed = static_cast<DWORD>(value->data.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed) std::memcpy(data, value->data.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                   DWORD size) {
    const std::string_view valueName = name ? name : "";
    if (!ValidValueName(valueName) || size > kMaxValueSize || (size && !data))
        return ERROR_INVALID_PARAMETER;
    RegKeyHandle handle;
    LONG rc = Resolve(key, handle);
    if (rc != ERROR_SUCCESS) return rc;
    if (!handle.canWrite) return ERROR_ACCESS_DENIED;
    const std::span<const std::uint8_t> bytes(data, size);
    HiveState& state = g_hives[handle.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(handle.hive)) != ERROR_SUCCESS) return rc;
    if (const RegistryKey* node = Walk(*state.tree, handle.path)) {
        const RegistryValue* value = node->FindValue(valueName);
        if (value && value->type == type &&
            std::equal(value->data.begin(), value->data.end(), bytes.begin(), bytes.end()))
            return ERROR_SUCCESS;  // unchanged: no lock, no write
    }
    return Commit(handle.hive, [&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* node = Walk(root, handle.path);
        if (!node) return ERROR_KEY_DELETED;
        changed = node->SetValue(valueName, type, bytes);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const char* name) {
    const std::string_view valueName = name ? name : "";
    RegKeyHandle handle;
    LONG rc = Resolve(key, handle);
    if (rc != ERROR_SUCCESS) return rc;
    if (!handle.canWrite) return ERROR_ACCESS_DENIED;
    HiveState& state = g_hives[handle.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(handle.hive)) != ERROR_SUCCESS) return rc;
    const RegistryKey* node = Walk(*state.tree, handle.path);
    if (!node) return ERROR_KEY_DELETED;
    if (!node->FindValue(valueName)) return ERROR_FILE_NOT_FOUND;
    return Commit(handle.hive, [&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* fresh = Walk(root, handle.path);
        if (!fresh) return ERROR_KEY_DELETED;
        changed = fresh->RemoveValue(valueName);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegDeleteKey(HKEY key, const char* subKey) {
    RegKeyHandle handle;
    LONG rc = Resolve(key, handle);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::string> path = handle.path;
    if (!subKey || !*subKey || !SplitPath(subKey, path) || path.size() == handle.path.size())
        return ERROR_INVALID_PARAMETER;
    if (!handle.canWrite) return ERROR_ACCESS_DENIED;
    HiveState& state = g_hives[handle.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(handle.hive)) != ERROR_SUCCESS) return rc;
    const RegistryKey* node = Walk(*state.tree, path);
    if (!node) return Walk(*state.tree, handle.path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    if (!node->subkeys().empty()) return ERROR_ACCESS_DENIED;
    const std::string last = path.back();
    path.pop_back();
    return Commit(handle.hive, [&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* parent = Walk(root, path);
        RegistryKey* target = parent ? parent->FindSubkey(last) : nullptr;
        if (!target) return ERROR_FILE_NOT_FOUND;
        if (!target->subkeys().empty()) return ERROR_ACCESS_DENIED;
        changed = parent->RemoveSubkey(last);
        return ERROR_SUCCESS;
    });
}

namespace {

// Copies a name with its terminating zero into a buffer of *length characters.
LONG CopyName(const std::string& name, char* out, DWORD* length) {
    if (!out || !length) return ERROR_INVALID_PARAMETER;
    if (*length <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(out, name.data(), name.size());
    out[name.size()] = '\0';
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* /*reserved*/,
                  char* keyClass, DWORD* classLength, void* /*lastWriteTime*/) {
    RegKeyHandle handle;
    LONG rc = Resolve(key, handle);
    if (rc != ERROR_SUCCESS) return rc;
    HiveState& state = g_hives[handle.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(handle.hive)) != ERROR_SUCCESS) return rc;
    const RegistryKey* node = Walk(*state.tree, handle.path);
    if (!node) return ERROR_KEY_DELETED;
    if (index >= node->subkeys().size()) return ERROR_NO_MORE_ITEMS;
    rc = CopyName(node->subkeys()[index]->name(), name, nameLength);
    if (rc == ERROR_SUCCESS && keyClass && classLength && *classLength > 0) {
        keyClass[0] = '\0';
        *classLength = 0;
    }
    return rc;
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* /*reserved*/,
                  DWORD* type, BYTE* data, DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    RegKeyHandle handle;
    LONG rc = Resolve(key, handle);
    if (rc != ERROR_SUCCESS) return rc;
    HiveState& state = g_hives[handle.hive];
    std::lock_guard<std::mutex> guard(state.lock);
    if ((rc = Refresh(handle.hive)) != ERROR_SUCCESS) return rc;
    const RegistryKey* node = Walk(*state.tree, handle.path);
    if (!node) return ERROR_KEY_DELETED;
    if (index >= node->values().size()) return ERROR_NO_MORE_ITEMS;
    const RegistryValue& value = node->values()[index];
    if ((rc = CopyName(value.name, name, nameLength)) != ERROR_SUCCESS) return rc;
    if (type) *type = value.type;
    const auto needed = static_cast<DWORD>(value.data.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed) std::memcpy(data, value.data.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CLASSES_ROOT || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> guard(g_handleLock);
    if (!key || g_handles.erase(key) == 0) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}

std::string RegLastProblem() {
    return t_problem;
}

}  // namespace platform
