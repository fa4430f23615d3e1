#include "platform/RegistryFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "platform/FileOps.h"

namespace platform {

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
    OnCall("replace");
    return ReplaceFileContents(path, bytes);
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
