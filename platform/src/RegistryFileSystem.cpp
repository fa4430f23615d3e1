#include "platform/RegistryFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/FileOps.h"
#include "platform/Win32Error.h"

namespace platform {

namespace {

bool FailWithErrno(int err) {
    SetLastError(FromErrno(err));
    return false;
}

}  // namespace

int RegistryFileSystem::Open(const char* path, int flags, unsigned mode) {
    OnCall("open");
    return ::open(path, flags, mode);
}

int RegistryFileSystem::Close(int fd) {
    OnCall("close");
    return ::close(fd);
}

int RegistryFileSystem::Stat(const char* path, struct stat& st) {
    OnCall("stat");
    return ::stat(path, &st);
}

int RegistryFileSystem::Fstat(int fd, struct stat& st) {
    OnCall("fstat");
    return ::fstat(fd, &st);
}

ssize_t RegistryFileSystem::Read(int fd, void* buffer, std::size_t size) {
    OnCall("read");
    return ::read(fd, buffer, size);
}

ssize_t RegistryFileSystem::Write(int fd, const void* buffer, std::size_t size) {
    OnCall("write");
    return ::write(fd, buffer, size);
}

int RegistryFileSystem::Fsync(int fd) {
    OnCall("fsync");
    return ::fsync(fd);
}

int RegistryFileSystem::Fchmod(int fd, unsigned mode) {
    OnCall("fchmod");
    return ::fchmod(fd, static_cast<mode_t>(mode));
}

int RegistryFileSystem::Rename(const char* from, const char* to) {
    OnCall("rename");
    return ::rename(from, to);
}

int RegistryFileSystem::Access(const char* path, int how) {
    OnCall("access");
    return ::access(path, how);
}

int RegistryFileSystem::Flock(int fd, int operation) {
    OnCall("flock");
    return ::flock(fd, operation);
}

int RegistryFileSystem::Ftruncate(int fd, off_t size) {
    OnCall("ftruncate");
    return ::ftruncate(fd, size);
}

void* RegistryFileSystem::Map(int fd, std::size_t size, bool writable) {
    OnCall("mmap");
    void* at =
        ::mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
    return at == MAP_FAILED ? nullptr : at;
}

void RegistryFileSystem::Unmap(void* address, std::size_t size) {
    OnCall("munmap");
    ::munmap(address, size);
}

int RegistryFileSystem::Unlink(const char* path) {
    OnCall("unlink");
    return ::unlink(path);
}

std::vector<std::string> RegistryFileSystem::List(const std::filesystem::path& folder) {
    OnCall("opendir");
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

bool RegistryFileSystem::CreateDirectories(const std::filesystem::path& path) {
    OnCall("mkdir");
    return platform::CreateDirectories(path);
}

bool RegistryFileSystem::ReplaceFile(const std::filesystem::path& path,
                                     std::span<const std::uint8_t> bytes) {
    unsigned mode = kSharedFileMode;
    struct stat st {};
    if (Stat(path.c_str(), st) == 0) {
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return FailWithErrno(errno);
    }
    static std::atomic<unsigned> counter{0};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(::getpid()),
                  counter.fetch_add(1, std::memory_order_relaxed));
    std::filesystem::path tmp = path;
    tmp += suffix;
    const int fd = Open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return FailWithErrno(errno);
    // The mode as given, whatever the umask says.
    bool ok = Fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = Write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ok && Fsync(fd) == 0;
    int err = errno;
    // A failed close can carry a failed write-back.
    if (Close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && Rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        Unlink(tmp.c_str());
        return FailWithErrno(err == 0 ? EIO : err);
    }
    // The rename itself, on disk.
    const std::filesystem::path folder = path.parent_path();
    const int dir = Open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)Fsync(dir);
        Close(dir);
    }
    return true;
}

namespace {

RegistryFileSystem g_default;
std::atomic<RegistryFileSystem*> g_current{nullptr};

}  // namespace

RegistryFileSystem& CurrentRegistryFileSystem() noexcept {
    RegistryFileSystem* fs = g_current.load(std::memory_order_acquire);
    return fs ? *fs : g_default;
}

void SetRegistryFileSystem(RegistryFileSystem* fileSystem) noexcept {
    g_current.store(fileSystem, std::memory_order_release);
}

}  // namespace platform
