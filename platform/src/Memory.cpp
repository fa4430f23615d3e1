#include "platform/Memory.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

bool IsBadReadPtr(const void* p, std::size_t size) noexcept {
    if (p == nullptr) return true;
    if (size == 0) return false;
    try {
        std::vector<unsigned char> copy(size);
        iovec local{copy.data(), size};
        iovec remote{const_cast<void*>(p), size};
        const ssize_t n = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
        return n != static_cast<ssize_t>(size);
    } catch (...) {
        return true;
    }
}

}  // namespace platform
