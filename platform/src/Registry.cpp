#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/RegistryFileSystem.h"

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
// The head of a hive's lock file: a count of the writes made to the hive, raised by every
// writer under the lock, so that each process sees at once that its copy is out of date.
constexpr std::size_t kGenerationSize = sizeof(std::uint64_t);

thread_local std::string t_problem;

RegistryFileSystem& Fs() {
    return CurrentRegistryFileSystem();
}

// What tells one version of a store file from another.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    std::int64_t mtime = 0;
    std::int64_t ctime = 0;
    // Who may write it: a change of permissions shows even within one tick of the file
    // system's clock, which stamps the times.
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctime = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    stamp.mode = st.st_mode;
    stamp.uid = st.st_uid;
    stamp.gid = st.st_gid;
    return stamp;
}

LONG ErrnoResult(int err) {
    return static_cast<LONG>(FromErrno(err));
}

// One hive of this process: the parsed file, the stamp of the file it came from and what
// this process knows about that file without asking the system again.
struct HiveState {
    explicit HiveState(int hive) : index(hive) {}

    const int index;
    std::mutex lock;
    std::unique_ptr<RegistryKey> tree;
    FileStamp stamp;
    MachineRootWatch root;
    std::string file;       // <registry folder>/<hive>.reg of the current machine root
    std::string lockFile;   // <registry folder>/<hive>.lock
    std::string tmpPrefix;  // what a writer's temporary file is named starting with
    // When the stamp was last compared with the file (on the process's clock), and the write
    // count of the hive as of then (null while the lock file is not mapped).
    std::uint64_t checkedMs = 0;
    const std::uint64_t* generation = nullptr;
    std::uint64_t seenGeneration = 0;
    // Whether this process may change the file, as found for the file of that stamp.
    FileStamp writableStamp;
    LONG writable = ERROR_SUCCESS;

    std::uint64_t Generation() const {
        return std::atomic_ref<const std::uint64_t>(*generation).load(std::memory_order_acquire);
    }

    void Unmap() {
        if (generation) Fs().Unmap(const_cast<std::uint64_t*>(generation), kGenerationSize);
        generation = nullptr;
    }

    // Follows a change of the machine root: the paths are built again and a copy of another
    // root's file is dropped.
    void FollowRoot() {
        if (!root.Changed()) return;
        const std::filesystem::path dir = RegistryDir();
        const std::string hive = kHiveNames[index];
        std::string newFile = (dir / (hive + ".reg")).string();
        if (newFile == file) return;
        file = std::move(newFile);
        lockFile = (dir / (hive + ".lock")).string();
        tmpPrefix = hive + ".reg.";
        tree.reset();
        writableStamp = FileStamp{};
        Unmap();
    }

    // Maps the write count of the hive's lock file once the file holds it.
    void MapGeneration(int fd) {
        if (generation) return;
        struct stat st {};
        if (Fs().Fstat(fd, st) != 0 || st.st_size < static_cast<off_t>(kGenerationSize)) return;
        generation = static_cast<const std::uint64_t*>(Fs().Map(fd, kGenerationSize, false));
    }

    // True when the copy is known to match the file without asking the system: no writer
    // of any process has changed it since, and it was compared with the file in this very
    // millisecond (which bounds how late a change made by hand is seen).
    bool KnownCurrent() const {
        return tree && generation && Generation() == seenGeneration &&
               CurrentClock().NowMs() == checkedMs;
    }
};

HiveState g_hives[kHiveCount] = {HiveState(0), HiveState(1)};

std::mutex g_handleLock;
std::unordered_set<RegKeyHandle*> g_handles;

constexpr std::uint64_t kNotChecked = UINT64_MAX;

// Reads and parses a hive's file (a missing file is an empty hive).
LONG ReadHive(const HiveState& state, std::unique_ptr<RegistryKey>& tree, FileStamp& stamp) {
    RegistryFileSystem& fs = Fs();
    tree = std::make_unique<RegistryKey>();
    const int fd = fs.Open(state.file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) return ErrnoResult(errno);
        stamp = FileStamp{};
        return ERROR_SUCCESS;
    }
    struct stat st {};
    if (fs.Fstat(fd, st) != 0) {
        const int err = errno;
        fs.Close(fd);
        return ErrnoResult(err);
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxRegistryFileSize) {
        fs.Close(fd);
        t_problem = state.file + ": larger than the store allows";
        return ERROR_REGISTRY_CORRUPT;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = fs.Read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            fs.Close(fd);
            return ErrnoResult(err);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    fs.Close(fd);
    bytes.resize(done);
    std::string error;
    if (!RegistryFile::Parse(bytes, kHiveNames[state.index], *tree, error)) {
        t_problem = state.file + ": " + error;
        return ERROR_REGISTRY_CORRUPT;
    }
    stamp = StampOf(st);
    return ERROR_SUCCESS;
}

// How fresh a copy an operation needs.
enum class Fresh {
    Now,    // as the file is now
    Known,  // known to be current (an unchanged write needs no more; see KnownCurrent)
};

// Brings the process's copy of a hive up to date (hive lock held).
LONG Refresh(HiveState& state, Fresh fresh) {
    state.FollowRoot();
    if (fresh == Fresh::Known && state.KnownCurrent()) return ERROR_SUCCESS;
    RegistryFileSystem& fs = Fs();
    // The write count is read before the file is looked at: a writer that replaces the file
    // after this raises the count, and the next call looks again.
    const bool mapped = state.generation != nullptr;
    const std::uint64_t generation = mapped ? state.Generation() : 0;
    const std::uint64_t checked = CurrentClock().NowMs();
    struct stat st {};
    FileStamp now;
    if (fs.Stat(state.file.c_str(), st) == 0) {
        now = StampOf(st);
    } else if (errno != ENOENT) {
        return ErrnoResult(errno);
    }
    if (!state.tree || !(state.stamp == now)) {
        std::unique_ptr<RegistryKey> tree;
        FileStamp stamp;
        const LONG rc = ReadHive(state, tree, stamp);
        if (rc != ERROR_SUCCESS) {
            state.tree.reset();
            return rc;
        }
        state.tree = std::move(tree);
        state.stamp = stamp;
    }
    if (!mapped) {
        const int fd = fs.Open(state.lockFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            state.MapGeneration(fd);
            fs.Close(fd);
        }
    }
    state.seenGeneration = generation;
    // A count mapped only now was read after the file: the next call looks at the file again.
    state.checkedMs = mapped ? checked : kNotChecked;
    return ERROR_SUCCESS;
}

// Whether this process may change the hive's file (hive lock held), found afresh.
LONG CheckWritable(HiveState& state) {
    RegistryFileSystem& fs = Fs();
    LONG rc = ERROR_SUCCESS;
    struct stat st {};
    if (fs.Stat(state.file.c_str(), st) == 0) {
        // A file without any write permission is read-only for every account, the
        // administrator's included.
        if ((st.st_mode & 0222) == 0 || fs.Access(state.file.c_str(), W_OK) != 0)
            rc = ERROR_ACCESS_DENIED;
        state.writableStamp = StampOf(st);
        state.writable = rc;
    } else if (errno != ENOENT) {
        return ErrnoResult(errno);
    } else {
        const std::string dir = std::filesystem::path(state.file).parent_path().string();
        if (fs.Access(dir.c_str(), F_OK) != 0) {
            if (!fs.CreateDirectories(dir)) return static_cast<LONG>(GetLastError());
        } else if (fs.Access(dir.c_str(), W_OK) != 0) {
            rc = ERROR_ACCESS_DENIED;
        }
    }
    return rc;
}

// The same, for a copy just compared with the file (Fresh::Now): the answer found for a file
// of the same stamp (identity, times, size, permissions and owner) holds, so opening a key
// for writing asks the system nothing more.
LONG CheckWritableNow(HiveState& state) {
    if (state.stamp.exists && state.stamp == state.writableStamp) return state.writable;
    return CheckWritable(state);
}

// Removes what writers that died before their rename left behind. Only writers holding the
// hive's lock make temporary files, so with the lock held every one found is abandoned.
void RemoveAbandonedTemporaries(const HiveState& state) {
    RegistryFileSystem& fs = Fs();
    const std::filesystem::path dir = std::filesystem::path(state.file).parent_path();
    for (const std::string& name : fs.List(dir)) {
        if (name.size() > state.tmpPrefix.size() + 4 && name.starts_with(state.tmpPrefix) &&
            name.ends_with(".tmp"))
            fs.Unlink((dir / name).c_str());
    }
}

// Raises the hive's write count (lock held).
void CountWrite(HiveState& state, int lockFd) {
    RegistryFileSystem& fs = Fs();
    void* count = fs.Map(lockFd, kGenerationSize, true);
    if (!count) return;
    std::atomic_ref<std::uint64_t>(*static_cast<std::uint64_t*>(count))
        .fetch_add(1, std::memory_order_acq_rel);
    fs.Unmap(count, kGenerationSize);
    state.MapGeneration(lockFd);
}

// Applies a change under the store's lock: reads the file afresh, applies `change`, and
// writes the file when the change reports it altered the tree. Hive lock held.
template <typename Change>
LONG Commit(HiveState& state, Change&& change) {
    LONG rc = CheckWritable(state);
    if (rc != ERROR_SUCCESS) return rc;
    RegistryFileSystem& fs = Fs();
    const int lockFd =
        fs.Open(state.lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kSharedFileMode);
    if (lockFd < 0) return ErrnoResult(errno);
    while (fs.Flock(lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int err = errno;
            fs.Close(lockFd);
            return ErrnoResult(err);
        }
    }
    RemoveAbandonedTemporaries(state);
    // Room for the write count in a lock file that does not hold it yet.
    struct stat lockStat {};
    if (fs.Fstat(lockFd, lockStat) == 0 && lockStat.st_size < static_cast<off_t>(kGenerationSize))
        (void)fs.Ftruncate(lockFd, kGenerationSize);
    std::unique_ptr<RegistryKey> tree;
    FileStamp stamp;
    rc = ReadHive(state, tree, stamp);
    if (rc == ERROR_SUCCESS) {
        bool changed = false;
        rc = change(*tree, changed);
        if (rc == ERROR_SUCCESS && changed) {
            const std::string text = RegistryFile::Serialize(*tree, kHiveNames[state.index]);
            struct stat st {};
            if (!fs.ReplaceFile(
                    state.file,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))) {
                rc = static_cast<LONG>(GetLastError());
                tree.reset();
            } else if (CountWrite(state, lockFd), fs.Stat(state.file.c_str(), st) == 0) {
                stamp = StampOf(st);
            } else {
                tree.reset();  // re-read at the next call
            }
        }
    }
    if (tree && rc == ERROR_SUCCESS) {
        state.tree = std::move(tree);
        state.stamp = stamp;
        state.seenGeneration = state.generation ? state.Generation() : 0;
        state.checkedMs = CurrentClock().NowMs();
    } else if (rc != ERROR_SUCCESS) {
        state.tree.reset();
    }
    fs.Flock(lockFd, LOCK_UN);
    fs.Close(lockFd);
    return rc;
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

// How every operation begins: the handle resolved (and, for a change, found to allow it),
// its hive locked and the hive's copy brought up to date. `rc` tells whether all went well.
class HiveOperation {
public:
    enum Need { Read, Write };

    HiveOperation(HKEY key, Need need, Fresh fresh = Fresh::Now) {
        rc = Resolve(key, handle);
        if (rc != ERROR_SUCCESS) return;
        if (need == Write && !handle.canWrite) {
            rc = ERROR_ACCESS_DENIED;
            return;
        }
        state = &g_hives[handle.hive];
        m_guard = std::unique_lock<std::mutex>(state->lock);
        rc = Refresh(*state, fresh);
    }

    RegistryKey& Root() { return *state->tree; }
    // The handle's key in the current copy (null when it is gone).
    RegistryKey* Key() { return Walk(*state->tree, handle.path); }

    template <typename Change>
    LONG Commit(Change&& change) {
        return platform::Commit(*state, std::forward<Change>(change));
    }

    LONG rc = ERROR_SUCCESS;
    RegKeyHandle handle;
    HiveState* state = nullptr;

private:
    std::unique_lock<std::mutex> m_guard;
};

}  // namespace

LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    HiveOperation op(key, HiveOperation::Read);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    std::vector<std::string> path = op.handle.path;
    if (!SplitPath(subKey, path)) return ERROR_FILE_NOT_FOUND;
    if (!Walk(op.Root(), path))
        return op.handle.path.empty() || op.Key() ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    const bool wantsWrite = (access & kWriteRights) != 0;
    if (wantsWrite) {
        if (const LONG rc = CheckWritableNow(*op.state); rc != ERROR_SUCCESS) return rc;
    }
    *result = NewHandle(op.handle.hive, StoredNames(op.Root(), path), wantsWrite);
    return ERROR_SUCCESS;
}

namespace {

LONG CreateKey(HKEY key, const char* subKey, bool maximumAllowed, REGSAM access, HKEY* result,
               DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    HiveOperation op(key, HiveOperation::Read);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    const RegKeyHandle& base = op.handle;
    std::vector<std::string> path = base.path;
    if (!SplitPath(subKey, path)) return ERROR_INVALID_PARAMETER;
    if (!op.Key()) return ERROR_KEY_DELETED;
    const bool writable = base.canWrite && CheckWritableNow(*op.state) == ERROR_SUCCESS;
    if (Walk(op.Root(), path)) {
        // There already: nothing to write.
        const bool wantsWrite = maximumAllowed ? writable : (access & kWriteRights) != 0;
        if (wantsWrite && !writable) return ERROR_ACCESS_DENIED;
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        *result = NewHandle(base.hive, StoredNames(op.Root(), path), wantsWrite);
        return ERROR_SUCCESS;
    }
    if (!base.canWrite) return ERROR_ACCESS_DENIED;
    const LONG rc = op.Commit([&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* parent = Walk(root, base.path);
        if (!parent) return ERROR_KEY_DELETED;
        changed = Walk(root, path) == nullptr;
        for (std::size_t i = base.path.size(); i < path.size(); ++i)
            parent = &parent->AddSubkey(path[i]);
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    if (disposition) *disposition = REG_CREATED_NEW_KEY;
    *result = NewHandle(base.hive, StoredNames(op.Root(), path),
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

namespace {

// Gives a value's type and bytes back as RegQueryValueEx and RegEnumValue do.
LONG CopyData(const RegistryValue& value, DWORD* type, BYTE* data, DWORD* size) {
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

}  // namespace

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                     DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    HiveOperation op(key, HiveOperation::Read);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    const RegistryKey* node = op.Key();
    if (!node) return ERROR_KEY_DELETED;
    const RegistryValue* value = node->FindValue(name ? name : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, type, data, size);
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                   DWORD size) {
    const std::string_view valueName = name ? name : "";
    if (!ValidValueName(valueName) || size > kMaxValueSize || (size && !data))
        return ERROR_INVALID_PARAMETER;
    // Values written on every message mostly hold what the store holds already: such a write
    // costs no call on the system while the copy is known to be current.
    HiveOperation op(key, HiveOperation::Write, Fresh::Known);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    const std::span<const std::uint8_t> bytes(data, size);
    if (const RegistryKey* node = op.Key()) {
        const RegistryValue* value = node->FindValue(valueName);
        if (value && value->type == type &&
            std::equal(value->data.begin(), value->data.end(), bytes.begin(), bytes.end()))
            return ERROR_SUCCESS;  // unchanged: no lock, no write
    }
    return op.Commit([&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* node = Walk(root, op.handle.path);
        if (!node) return ERROR_KEY_DELETED;
        changed = node->SetValue(valueName, type, bytes);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const char* name) {
    const std::string_view valueName = name ? name : "";
    HiveOperation op(key, HiveOperation::Write);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    const RegistryKey* node = op.Key();
    if (!node) return ERROR_KEY_DELETED;
    if (!node->FindValue(valueName)) return ERROR_FILE_NOT_FOUND;
    return op.Commit([&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* fresh = Walk(root, op.handle.path);
        if (!fresh) return ERROR_KEY_DELETED;
        changed = fresh->RemoveValue(valueName);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegDeleteKey(HKEY key, const char* subKey) {
    if (!subKey || !*subKey) return ERROR_INVALID_PARAMETER;
    std::vector<std::string> relative;
    if (!SplitPath(subKey, relative) || relative.empty()) return ERROR_INVALID_PARAMETER;
    HiveOperation op(key, HiveOperation::Write);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    std::vector<std::string> path = op.handle.path;
    path.insert(path.end(), relative.begin(), relative.end());
    const RegistryKey* node = Walk(op.Root(), path);
    if (!node) return op.Key() ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    if (!node->subkeys().empty()) return ERROR_ACCESS_DENIED;
    const std::string last = path.back();
    path.pop_back();
    return op.Commit([&](RegistryKey& root, bool& changed) -> LONG {
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
    HiveOperation op(key, HiveOperation::Read);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    const RegistryKey* node = op.Key();
    if (!node) return ERROR_KEY_DELETED;
    if (index >= node->subkeys().size()) return ERROR_NO_MORE_ITEMS;
    const LONG rc = CopyName(node->subkeys()[index]->name(), name, nameLength);
    if (rc == ERROR_SUCCESS && keyClass && classLength && *classLength > 0) {
        keyClass[0] = '\0';
        *classLength = 0;
    }
    return rc;
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* /*reserved*/,
                  DWORD* type, BYTE* data, DWORD* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    HiveOperation op(key, HiveOperation::Read);
    if (op.rc != ERROR_SUCCESS) return op.rc;
    const RegistryKey* node = op.Key();
    if (!node) return ERROR_KEY_DELETED;
    if (index >= node->values().size()) return ERROR_NO_MORE_ITEMS;
    const RegistryValue& value = node->values()[index];
    if (const LONG rc = CopyName(value.name, name, nameLength); rc != ERROR_SUCCESS) return rc;
    return CopyData(value, type, data, size);
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
