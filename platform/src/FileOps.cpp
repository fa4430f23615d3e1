#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "platform/Win32Error.h"

namespace platform {

namespace {

bool Fail(int err) {
    SetLastError(FromErrno(err));
    return false;
}

bool FailWith(DWORD code) {
    SetLastError(code);
    return false;
}

// A missing name is ERROR_FILE_NOT_FOUND when its folder exists, else ERROR_PATH_NOT_FOUND,
// as Windows tells them apart.
bool FailOn(const std::filesystem::path& path, int err) {
    if (err == ENOENT) {
        struct stat st {};
        const std::filesystem::path folder = path.parent_path();
        if (!folder.empty() && ::stat(folder.c_str(), &st) != 0)
            return FailWith(ERROR_PATH_NOT_FOUND);
    }
    return Fail(err);
}

class Fd {
public:
    explicit Fd(int fd) noexcept : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const noexcept { return m_fd; }
    bool valid() const noexcept { return m_fd >= 0; }
    // Closes now and reports a failed close (which can carry a failed write-back).
    bool Close() noexcept {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Flushes a folder's entries (a rename or a new file in it) to disk.
void SyncFolder(const std::filesystem::path& folder) {
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) (void)::fsync(dir.get());
}

std::filesystem::path TemporaryBeside(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(::getpid()),
                  counter.fetch_add(1, std::memory_order_relaxed));
    std::filesystem::path tmp = path;
    tmp += suffix;
    return tmp;
}

// Writes bytes into a new file at `tmp` with `mode`, flushed to disk.
bool WriteNewFile(const std::filesystem::path& tmp, std::span<const std::uint8_t> bytes,
                  unsigned mode) {
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!fd.valid()) return FailOn(tmp, errno);
    if (::fchmod(fd.get(), mode) != 0 || !WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 ||
        !fd.Close()) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Fail(err);
    }
    return true;
}

// Copies a regular file to a temporary file beside `to` and flushes it.
bool CopyToTemporary(const std::filesystem::path& from, const std::filesystem::path& tmp) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return FailOn(from, errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return Fail(errno);
    const unsigned mode = st.st_mode & 07777;
    Fd out(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!out.valid()) return FailOn(tmp, errno);
    std::uint8_t buffer[65536];
    bool ok = ::fchmod(out.get(), mode) == 0;
    while (ok) {
        const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(out.get(), std::span(buffer, static_cast<std::size_t>(n)));
    }
    if (ok) ok = ::fsync(out.get()) == 0 && out.Close();
    if (!ok) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Fail(err);
    }
    return true;
}

}  // namespace

bool CreateDirectory(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), kSharedFolderMode) != 0) {
        if (errno == EEXIST) return FailWith(ERROR_ALREADY_EXISTS);
        return FailOn(path, errno);
    }
    return true;
}

bool CreateDirectories(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) return Fail(ec.value());
    if (!std::filesystem::is_directory(path, ec)) return FailWith(ERROR_ALREADY_EXISTS);
    return true;
}

bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to,
              bool replaceExisting) {
    struct stat src {};
    if (::lstat(from.c_str(), &src) != 0) return FailOn(from, errno);
    struct stat dst {};
    const bool targetExists = ::lstat(to.c_str(), &dst) == 0;
    if (targetExists && !replaceExisting) return FailWith(ERROR_ALREADY_EXISTS);

    if (!targetExists) {
        // link() refuses an existing target, so a file that appears meanwhile is not lost.
        if (!S_ISDIR(src.st_mode) && ::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            SyncFolder(to.parent_path());
            return true;
        }
        if (errno == EEXIST) return FailWith(ERROR_ALREADY_EXISTS);
    }
    if (::rename(from.c_str(), to.c_str()) == 0) {
        SyncFolder(to.parent_path());
        return true;
    }
    if (errno != EXDEV) return FailOn(to, errno);
    if (!S_ISREG(src.st_mode)) return FailWith(ERROR_NOT_SAME_DEVICE);

    const std::filesystem::path tmp = TemporaryBeside(to);
    if (!CopyToTemporary(from, tmp)) return false;
    const bool placed = replaceExisting ? ::rename(tmp.c_str(), to.c_str()) == 0
                                        : ::link(tmp.c_str(), to.c_str()) == 0;
    const int err = errno;
    ::unlink(tmp.c_str());
    if (!placed) return err == EEXIST ? FailWith(ERROR_ALREADY_EXISTS) : FailOn(to, err);
    SyncFolder(to.parent_path());
    if (::unlink(from.c_str()) != 0) return Fail(errno);
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                   std::size_t maxSize) {
    out.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return FailOn(path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return Fail(errno);
    if (S_ISDIR(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxSize)
        return FailWith(ERROR_INVALID_DATA);
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    // The file may change size while it is read: stop at its end or at the bound.
    for (;;) {
        if (done == out.size()) {
            if (out.size() >= maxSize) {
                std::uint8_t probe;
                const ssize_t n = ::read(fd.get(), &probe, 1);
                if (n > 0) return FailWith(ERROR_INVALID_DATA);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return Fail(errno);
                break;
            }
            out.resize(std::min(maxSize, out.size() + 4096));
        }
        const ssize_t n = ::read(fd.get(), out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return true;
}

bool ReplaceFileContents(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         unsigned mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
        if (::access(path.c_str(), W_OK) != 0) return Fail(errno);
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(errno);
    }
    const std::filesystem::path tmp = TemporaryBeside(path);
    if (!WriteNewFile(tmp, bytes, mode)) return false;
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return Fail(err);
    }
    SyncFolder(path.parent_path());
    return true;
}

bool MayWrite(const std::filesystem::path& path) {
    if (::access(path.c_str(), W_OK) == 0) return true;
    return FailOn(path, errno);
}

}  // namespace platform
