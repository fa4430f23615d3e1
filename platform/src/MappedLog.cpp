#include "platform/MappedLog.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "platform/FileOps.h"
#include "platform/WholeLines.h"

namespace platform {

// The record beside the log, shared by every process that appends to it. The end and the
// length carry the generation of the log they are for in their top bits: when the log is
// replaced under its name, the first process to open the new one starts a new generation,
// and a line placed by a process still holding the old one is seen as stale at once.
struct MappedLog::Shared {
    std::uint64_t magic;
    std::uint64_t device;  // the log the counters are for
    std::uint64_t inode;
    std::uint64_t clean;                         // no line before it was left half written
    alignas(64) std::atomic<std::uint64_t> end;  // where the next line goes
    std::atomic<std::uint64_t> length;           // the file is at least this long
    std::atomic<std::uint64_t> pending;          // lines placed and not yet written
};

namespace {

static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

constexpr std::uint64_t kMagic = 0x31444e45474f4c54;  // "TLOGEND1"
constexpr std::size_t kSharedSize = 4096;
constexpr int kOffsetBits = 48;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
constexpr std::uint64_t kChunkSize = std::uint64_t{32} << 20;
constexpr std::uint64_t kChunks = 8192;  // 256 GiB mapped at most; beyond, positioned writes
constexpr std::uint64_t kMinStep = 256 << 10;
constexpr std::uint64_t kMaxStep = 32 << 20;
constexpr std::uint64_t kPage = 4096;
// How far ahead of its lines a process keeps its pages mapped writable.
constexpr std::uint64_t kAhead = 256 << 10;
// The bytes of the record's two locks: shared by every process appending, and taken alone
// to grow, cut or start the log.
constexpr off_t kLiveByte = 0;
constexpr off_t kGrowByte = 1;

std::uint64_t Generation(std::uint64_t word) {
    return word >> kOffsetBits;
}
std::uint64_t Offset(std::uint64_t word) {
    return word & kOffsetMask;
}
std::uint64_t Word(std::uint64_t generation, std::uint64_t offset) {
    return (generation << kOffsetBits) | offset;
}

bool LockByte(int fd, off_t byte, short type, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
        if (errno != EINTR) return false;
    }
    return false;
}

bool WriteAt(int fd, const char* data, std::size_t size, std::uint64_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        at += static_cast<std::uint64_t>(n);
    }
    return true;
}

// The length of the file without the zero bytes at its end.
std::uint64_t LengthOfText(int fd, std::uint64_t length) {
    char block[65536];
    while (length > 0) {
        const std::uint64_t from = length > sizeof block ? length - sizeof block : 0;
        const ssize_t n = ::pread(fd, block, length - from, static_cast<off_t>(from));
        if (n <= 0) return length;
        for (std::uint64_t i = static_cast<std::uint64_t>(n); i > 0; --i)
            if (block[i - 1] != '\0') return from + i;
        length = from;
    }
    return 0;
}

}  // namespace

// This process's growing and cutting, and then the record's lock among processes.
class MappedLog::GrowLock {
public:
    explicit GrowLock(MappedLog& log)
        : m_log(log),
          m_guard(log.m_growLock),
          m_held(LockByte(log.m_endFd, kGrowByte, F_WRLCK, true)) {}
    ~GrowLock() {
        if (m_held) LockByte(m_log.m_endFd, kGrowByte, F_UNLCK, false);
    }
    GrowLock(const GrowLock&) = delete;
    GrowLock& operator=(const GrowLock&) = delete;
    [[nodiscard]] bool Held() const { return m_held; }

private:
    MappedLog& m_log;
    std::lock_guard<std::mutex> m_guard;
    bool m_held;
};

MappedLog::~MappedLog() {
    if (m_chunks) {
        for (std::uint64_t i = 0; i < kChunks; ++i)
            if (char* chunk = m_chunks[i].load()) ::munmap(chunk, kChunkSize);
    }
    if (m_shared) ::munmap(m_shared, kSharedSize);
    if (m_endFd >= 0) ::close(m_endFd);
    if (m_fd >= 0) ::close(m_fd);
}

bool MappedLog::Open(const std::filesystem::path& path) {
    if (m_fd >= 0) return false;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kSharedFileMode);
    if (m_fd < 0) return false;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const std::string record = path.string() + ".end";
    m_endFd = ::open(record.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kSharedFileMode);
    if (m_endFd < 0) return false;
    // Alone when no other process appends: then the log is mended and cut before any line.
    const bool alone = LockByte(m_endFd, kLiveByte, F_WRLCK, false);
    if (!alone && !LockByte(m_endFd, kLiveByte, F_RDLCK, true)) return false;
    bool adopted = false;
    {
        GrowLock lock(*this);
        adopted = lock.Held() && Adopt(alone);
    }
    if (alone && !LockByte(m_endFd, kLiveByte, F_RDLCK, false)) return false;
    if (!adopted) return false;
    m_chunks.reset(new std::atomic<char*>[kChunks]());
    return true;
}

// Maps the record and makes it the record of this log (a new generation when it was another
// log's, or never made); alone, mends and cuts the log. Under the grow lock.
bool MappedLog::Adopt(bool alone) {
    struct stat st {};
    if (::fstat(m_endFd, &st) != 0) return false;
    if (static_cast<std::size_t>(st.st_size) < kSharedSize &&
        ::ftruncate(m_endFd, kSharedSize) != 0)
        return false;
    void* mapped = ::mmap(nullptr, kSharedSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_endFd, 0);
    if (mapped == MAP_FAILED) return false;
    m_shared = static_cast<Shared*>(mapped);
    Shared& shared = *m_shared;
    if (::fstat(m_fd, &st) != 0) return false;
    const auto fileLength = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t end = shared.end.load();
    // Lines may be placed beyond the file's end while their writers wait to grow it, but the
    // length the record gives the file it has for sure, unless another cut it.
    const bool same = shared.magic == kMagic && shared.device == st.st_dev &&
                      shared.inode == st.st_ino && Offset(shared.length.load()) <= fileLength &&
                      shared.clean <= Offset(end);
    if (!same) {
        const std::uint64_t generation =
            shared.magic == kMagic ? (Generation(end) + 1) & (~std::uint64_t{0} >> kOffsetBits) : 0;
        const std::uint64_t text = LengthOfText(m_fd, fileLength);
        shared.magic = 0;
        shared.device = st.st_dev;
        shared.inode = st.st_ino;
        shared.clean = text;
        shared.pending.store(0);
        shared.length.store(Word(generation, fileLength));
        shared.end.store(Word(generation, text));
        shared.magic = kMagic;
    }
    m_generation = Generation(shared.end.load());
    if (!alone) return true;
    // Lines still pending, or placed beyond the file, were left by processes that died.
    if ((shared.pending.load() != 0 || Offset(shared.end.load()) > fileLength) && !Mend())
        return false;
    CutLocked();
    shared.clean = Offset(shared.end.load());
    return true;
}

// Drops the lines that processes killed while appending left half written, and the zero
// bytes of lines never written, from the part of the log after the last mending. Alone,
// under the grow lock.
bool MappedLog::Mend() {
    Shared& shared = *m_shared;
    const std::uint64_t end = Offset(shared.end.load());
    std::uint64_t from = shared.clean;
    std::uint64_t to = from;
    WholeLines lines;
    std::vector<char> block(1 << 20);
    std::string kept;
    while (from < end) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), end - from));
        const ssize_t n = ::pread(m_fd, block.data(), want, static_cast<off_t>(from));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        from += static_cast<std::uint64_t>(n);
        kept.clear();
        lines.Feed({block.data(), static_cast<std::size_t>(n)}, kept);
        // What is kept is never longer than what was read, so it never overtakes it.
        if (!WriteAt(m_fd, kept.data(), kept.size(), to)) return false;
        to += kept.size();
    }
    shared.length.store(Word(m_generation, 0));
    if (::ftruncate(m_fd, static_cast<off_t>(to)) != 0) return false;
    shared.length.store(Word(m_generation, to));
    shared.end.store(Word(m_generation, to));
    shared.pending.store(0);
    return true;
}

MappedLog::Result MappedLog::Append(const char* data, std::size_t size) noexcept {
    if (!m_shared) return Result::Failed;
    if (size == 0) return Result::Written;
    m_shared->pending.fetch_add(1);
    const Result result = Place(data, size);
    m_shared->pending.fetch_sub(1);
    return result;
}

MappedLog::Result MappedLog::Place(const char* data, std::size_t size) {
    Shared& shared = *m_shared;
    const std::uint64_t placed = shared.end.fetch_add(size);
    // A line placed in another generation leaves its bytes zero there.
    if (Generation(placed) != m_generation) return Result::Stale;
    const std::uint64_t at = Offset(placed);
    const std::uint64_t length = shared.length.load();
    if (Generation(length) == m_generation && at + size <= Offset(length) && Copy(at, data, size)) {
        ReadyAhead(at + size, Offset(length));
        return Result::Written;
    }
    return PlaceLocked(at, data, size);
}

// Maps the pages after `from` writable ahead of the lines, up to the length the file surely
// has, all at once: a page met first by a copy costs a fault of its own, several times the
// copy. One thread of the process at a time; the others go on.
void MappedLog::ReadyAhead(std::uint64_t from, std::uint64_t length) {
    if (from + kAhead / 2 <= m_ready.load(std::memory_order_relaxed) ||
        m_readying.exchange(true, std::memory_order_acquire))
        return;
    std::uint64_t at = std::max(m_ready.load(std::memory_order_relaxed), from / kPage * kPage);
    const std::uint64_t to = std::min(length, from + kAhead) / kPage * kPage;
    while (at < to) {
        char* chunk = Chunk(at / kChunkSize);
        const std::uint64_t within = at % kChunkSize;
        const std::uint64_t part = std::min(to - at, kChunkSize - within);
        // Fails without harm where the file was cut meanwhile, or on an older kernel.
        if (!chunk || ::madvise(chunk + within, part, MADV_POPULATE_WRITE) != 0) break;
        at += part;
    }
    m_ready.store(std::max(at, to), std::memory_order_relaxed);
    m_readying.store(false, std::memory_order_release);
}

// A line beyond the length the file surely has, or that could not be copied: grows the file
// and copies it, or writes it where it was placed.
MappedLog::Result MappedLog::PlaceLocked(std::uint64_t at, const char* data, std::size_t size) {
    GrowLock lock(*this);
    if (!lock.Held()) return Result::Failed;
    if (Generation(m_shared->end.load()) != m_generation) return Result::Stale;
    if (!m_finished.load() && Grow(at + size) && Copy(at, data, size)) {
        ReadyAhead(at + size, Offset(m_shared->length.load()));
        return Result::Written;
    }
    return WriteAt(m_fd, data, size, at) ? Result::Written : Result::Failed;
}

bool MappedLog::Copy(std::uint64_t at, const char* data, std::size_t size) {
    // Every byte but the last, then the last (the line break), so a line whose break is
    // there is whole.
    std::size_t done = 0;
    while (done + 1 < size) {
        char* chunk = Chunk(at / kChunkSize);
        if (!chunk) return false;
        const std::size_t within = static_cast<std::size_t>(at % kChunkSize);
        const std::size_t part =
            std::min<std::size_t>(size - 1 - done, static_cast<std::size_t>(kChunkSize) - within);
        std::memcpy(chunk + within, data + done, part);
        done += part;
        at += part;
    }
    char* chunk = Chunk(at / kChunkSize);
    if (!chunk) return false;
    __atomic_store_n(chunk + at % kChunkSize, data[size - 1], __ATOMIC_RELEASE);
    return true;
}

char* MappedLog::Chunk(std::uint64_t index) {
    if (index >= kChunks) return nullptr;
    if (char* chunk = m_chunks[index].load(std::memory_order_acquire)) return chunk;
    std::lock_guard<std::mutex> guard(m_mapLock);
    if (char* chunk = m_chunks[index].load(std::memory_order_acquire)) return chunk;
    void* mapped = ::mmap(nullptr, kChunkSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd,
                          static_cast<off_t>(index * kChunkSize));
    if (mapped == MAP_FAILED) return nullptr;
    m_chunks[index].store(static_cast<char*>(mapped), std::memory_order_release);
    return static_cast<char*>(mapped);
}

// Makes the file at least `need` long, and a step more. Under the grow lock.
bool MappedLog::Grow(std::uint64_t need) {
    Shared& shared = *m_shared;
    const std::uint64_t length = Offset(shared.length.load());
    if (need <= length) return true;
    const std::uint64_t step = std::clamp(length / 8, kMinStep, kMaxStep);
    const std::uint64_t target = (need + step + kMinStep - 1) / kMinStep * kMinStep;
    if (target > kChunks * kChunkSize) return false;
    // Allocated, so a copy into the mapping never meets a full disk; never shrinks the file.
    if (::fallocate(m_fd, 0, static_cast<off_t>(length), static_cast<off_t>(target - length)) !=
        0) {
        if (errno != EOPNOTSUPP) return false;
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) return false;
        if (static_cast<std::uint64_t>(st.st_size) < target &&
            ::ftruncate(m_fd, static_cast<off_t>(target)) != 0)
            return false;
    }
    shared.length.store(Word(m_generation, target));
    return true;
}

// Cuts the file to the end of its lines. A line placed before the end is read stays inside
// it; one placed after sees the length at nought or at the end, and so takes the grow lock,
// which this holds. Under the grow lock.
void MappedLog::CutLocked() {
    Shared& shared = *m_shared;
    if (Generation(shared.end.load()) != m_generation) return;
    const std::uint64_t before = shared.length.load();
    shared.length.store(Word(m_generation, 0));
    const std::uint64_t end = Offset(shared.end.load());
    if (::ftruncate(m_fd, static_cast<off_t>(end)) != 0) {
        shared.length.store(before);
        return;
    }
    shared.length.store(Word(m_generation, end));
}

void MappedLog::Finish() noexcept {
    if (!m_shared) return;
    m_finished.store(true);
    GrowLock lock(*this);
    if (lock.Held()) CutLocked();
}

bool MappedLog::Removed() const {
    struct stat log {};
    struct stat record {};
    if (m_fd < 0 || m_endFd < 0 || !m_shared) return false;
    if (::fstat(m_fd, &log) != 0 || ::fstat(m_endFd, &record) != 0) return false;
    if (log.st_nlink == 0 || record.st_nlink == 0) return true;
    const std::uint64_t length = m_shared->length.load();
    return Generation(length) == m_generation &&
           static_cast<std::uint64_t>(log.st_size) < Offset(length);
}

}  // namespace platform
