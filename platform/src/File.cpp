#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>
#include <utility>

#include "Deadline.h"
#include "platform/Win32Error.h"

namespace platform {

namespace {

bool Fail() {
    SetLastErrorFromErrno();
    return false;
}

bool MissingFolder(const std::filesystem::path& path) {
    struct stat st {};
    const std::filesystem::path folder = path.parent_path();
    return !folder.empty() && ::stat(folder.c_str(), &st) != 0;
}

}  // namespace

File::~File() {
    Close();
}

File::File(File&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_existed(other.m_existed) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_existed = other.m_existed;
    }
    return *this;
}

bool File::Open(const std::filesystem::path& path, Disposition disposition, unsigned mode) {
    Close();
    constexpr int kBase = O_RDWR | O_CLOEXEC;
    int fd = -1;
    bool created = false;
    // Try to make the file first (where the disposition allows), so that we know whether
    // the mode is ours to set.
    if (disposition != Disposition::OpenExisting) {
        fd = ::open(path.c_str(), kBase | O_CREAT | O_EXCL, mode);
        created = fd >= 0;
        if (fd < 0 && errno != EEXIST) {
            if (errno == ENOENT)
                SetLastError(ERROR_PATH_NOT_FOUND);
            else
                SetLastErrorFromErrno();
            return false;
        }
        if (fd < 0 && disposition == Disposition::CreateNew) {
            SetLastError(ERROR_FILE_EXISTS);
            return false;
        }
    }
    if (fd < 0) {
        const int flags = kBase | (disposition == Disposition::CreateAlways ? O_TRUNC : 0);
        fd = ::open(path.c_str(), flags);
        if (fd < 0) {
            if (errno == ENOENT && MissingFolder(path))
                SetLastError(ERROR_PATH_NOT_FOUND);
            else
                SetLastErrorFromErrno();
            return false;
        }
    }
    if (created && ::fchmod(fd, mode) != 0) {
        ::close(fd);
        ::unlink(path.c_str());
        return Fail();
    }
    m_fd = fd;
    m_existed = !created;
    SetLastError(m_existed && disposition != Disposition::OpenExisting ? ERROR_ALREADY_EXISTS
                                                                       : ERROR_SUCCESS);
    return true;
}

bool File::Write(std::span<const std::uint8_t> bytes) {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

long File::Read(std::span<std::uint8_t> out) {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, out.data(), out.size());
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) {
            SetLastErrorFromErrno();
            return -1;
        }
    }
}

bool File::SeekToEnd() {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (::lseek(m_fd, 0, SEEK_END) < 0) return Fail();
    return true;
}

bool File::Seek(std::uint64_t offset) {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) return Fail();
    return true;
}

std::int64_t File::Size() const {
    struct stat st {};
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (::fstat(m_fd, &st) != 0) {
        SetLastErrorFromErrno();
        return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
}

bool File::Resize(std::uint64_t size) {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (size > static_cast<std::uint64_t>(INT64_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) return Fail();
    return true;
}

bool File::Flush() {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (::fsync(m_fd) != 0) return Fail();
    return true;
}

bool File::Lock(DWORD timeoutMs) {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // Real time on purpose: the holder is another process, which no test clock moves.
    const IoDeadline deadline = IoDeadline::After(timeoutMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return Fail();
        if (deadline.Passed()) {
            SetLastError(ERROR_LOCK_VIOLATION);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void File::Unlock() noexcept {
    if (m_fd >= 0) ::flock(m_fd, LOCK_UN);
}

void File::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
