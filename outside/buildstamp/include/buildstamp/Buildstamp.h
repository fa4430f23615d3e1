// The version stamps of the program's parts: how many there are, and one fixed record per
// part with its file name (a zero-terminated text from byte 0, at most 63 characters) and its
// version (a zero-terminated text from byte 64).
//
// Threads: any.
#pragma once

#include <cstddef>

namespace buildstamp {

inline constexpr std::size_t kRecordSize = 344;
inline constexpr std::size_t kFileNameSize = 64;
inline constexpr std::size_t kVersionOffset = 64;

}  // namespace buildstamp

// The number of parts.
int QueryForAllVersionsNum();
// Fills `count` records (count * kRecordSize bytes) from `buffer`: 0 on success, nonzero
// when the buffer is null or holds fewer records than there are parts.
int QueryForAllVersions(void* buffer, int count);
