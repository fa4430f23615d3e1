// File and folder operations with Win32 results: each returns true on success and
// otherwise false with the last error set (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED, ...). Paths are of this machine (see MapPath).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace platform {

// Mode of the files that every account of the machine may use (read and write for the
// owner and the group, read for the rest). Applied as given, whatever the umask says.
inline constexpr unsigned kSharedFileMode = 0664;
// Mode of the folders made here.
inline constexpr unsigned kSharedFolderMode = 0775;

// One folder whose parent exists; ERROR_ALREADY_EXISTS when it is there already.
[[nodiscard]] bool CreateDirectory(const std::filesystem::path& path);
// The folder and every missing parent; a folder that is there already is success.
[[nodiscard]] bool CreateDirectories(const std::filesystem::path& path);

// Moves a file, also between file systems (copy, flush to disk, then remove the source).
// Without `replaceExisting` an existing target is refused with ERROR_ALREADY_EXISTS.
// A folder moves only within one file system (else ERROR_NOT_SAME_DEVICE).
[[nodiscard]] bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to,
                            bool replaceExisting);

// Reads a whole file. A file larger than maxSize is refused with ERROR_INVALID_DATA
// before anything is allocated for it.
[[nodiscard]] bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                                 std::size_t maxSize);

// Replaces a file's contents so that readers see either the old or the new file, never a
// torn one: a temporary file beside it, written, flushed to disk, renamed over the file.
// An existing file keeps its mode and must be writable (else ERROR_ACCESS_DENIED); a new
// one gets `mode`.
[[nodiscard]] bool ReplaceFileContents(const std::filesystem::path& path,
                                       std::span<const std::uint8_t> bytes,
                                       unsigned mode = kSharedFileMode);

// True when this process may write to the file or into the folder (ERROR_ACCESS_DENIED,
// ERROR_FILE_NOT_FOUND, ... otherwise).
[[nodiscard]] bool MayWrite(const std::filesystem::path& path);

}  // namespace platform
