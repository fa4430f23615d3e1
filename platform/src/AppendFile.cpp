#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/FileOps.h"

namespace platform {

AppendFile::~AppendFile() {
    const int fd = m_fd.load();
    if (fd >= 0) ::close(fd);
}

bool AppendFile::Open(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    const int opened =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kSharedFileMode);
    if (opened < 0) return false;
    const int fd = m_fd.load(std::memory_order_acquire);
    bool placed = true;
    if (fd < 0) {
        m_fd.store(opened, std::memory_order_release);
    } else {
        placed = ::dup3(opened, fd, O_CLOEXEC) == fd;
        ::close(opened);
    }
    if (placed) m_open.store(true, std::memory_order_release);
    return placed;
}

void AppendFile::Close() noexcept {
    m_open.store(false, std::memory_order_release);
}

bool AppendFile::IsOpen() const noexcept {
    return m_open.load(std::memory_order_acquire);
}

bool AppendFile::Removed() const {
    struct stat st {};
    const int fd = m_fd.load(std::memory_order_acquire);
    return fd >= 0 && ::fstat(fd, &st) == 0 && st.st_nlink == 0;
}

bool AppendFile::Append(const char* data, std::size_t size) const noexcept {
    if (!m_open.load(std::memory_order_acquire)) return false;
    const int fd = m_fd.load(std::memory_order_acquire);
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace platform
