// Every call the configuration store makes on the file system, in one place, so that a test
// can watch them (for instance count them, to show that an unchanged write makes none).
// The default passes each call straight to the system; results and errno are the system's.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace platform {

class RegistryFileSystem {
public:
    virtual ~RegistryFileSystem() = default;

    int Open(const char* path, int flags, unsigned mode = 0);
    int Close(int fd);
    int Stat(const char* path, struct stat& st);
    int Fstat(int fd, struct stat& st);
    ssize_t Read(int fd, void* buffer, std::size_t size);
    ssize_t Write(int fd, const void* buffer, std::size_t size);
    int Fsync(int fd);
    int Fchmod(int fd, unsigned mode);
    int Rename(const char* from, const char* to);
    int Access(const char* path, int how);
    int Flock(int fd, int operation);
    int Ftruncate(int fd, off_t size);
    // A shared mapping of the file's first `size` bytes, or null.
    void* Map(int fd, std::size_t size, bool writable);
    void Unmap(void* address, std::size_t size);
    int Unlink(const char* path);
    // The names in a folder (empty when it cannot be read).
    std::vector<std::string> List(const std::filesystem::path& folder);
    // FileOps' CreateDirectories (last error set on failure).
    bool CreateDirectories(const std::filesystem::path& path);
    // Replaces a file with new contents through the calls above: a temporary file beside it
    // (<file>.<pid>.<n>.tmp, with the file's mode), written, flushed to disk and renamed over
    // the file, then the folder flushed. False with the last error set on failure (the
    // temporary file is then removed).
    bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

protected:
    // Called before each call above with its name ("open", "stat", ...).
    virtual void OnCall(std::string_view /*call*/) {}
};

// The file system the store uses: the default one, or the one set (null for the default).
// Set it while no other thread uses the store; it must outlive its use.
RegistryFileSystem& CurrentRegistryFileSystem() noexcept;
void SetRegistryFileSystem(RegistryFileSystem* fileSystem) noexcept;

}  // namespace platform
