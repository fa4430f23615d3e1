// Whether memory handed over by a caller can be read, in place of the check that a pointer is
// "bad" before the first bytes at it are touched.
#pragma once

#include <cstddef>

namespace platform {

// True when the `size` bytes at `p` cannot all be read (null included). The check reads them
// through the kernel, so an unmapped address gives true instead of a fault.
[[nodiscard]] bool IsBadReadPtr(const void* p, std::size_t size) noexcept;

}  // namespace platform
