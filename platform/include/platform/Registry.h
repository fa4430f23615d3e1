// The configuration store, with the calls and results of the Win32 registry that callers
// rely on. Two hives, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT, each kept as one text file
// under the machine's registry folder (RegistryDir()/<hive>.reg, format in RegistryFile.h).
//
// Access follows the file's permissions: opening with any write right needs a writable file
// (one without any write permission bit, or not writable by this user, gives
// ERROR_ACCESS_DENIED); a key opened for reading refuses writes with ERROR_ACCESS_DENIED.
//
// Several processes may share the store. A writer takes an exclusive lock
// (RegistryDir()/<hive>.lock), reads the file afresh, applies its change, writes a
// temporary file, flushes it to disk and renames it over the file, so readers see the old
// or the new file, never a torn one; the next writer removes the temporary files of writers
// killed before their rename. Each process keeps the parsed file and re-reads it when the
// file's identity, times, size, permissions or owner changed. A write that changes nothing
// takes no lock and writes nothing, and makes no system call at all while no writer of any
// process has changed the hive (each raises a count in the lock file, which every process
// maps) and the file was looked at within the same millisecond; opening a key for writing
// looks at the file once and reuses what it found about the file's permissions while the
// file stays the same. A file that cannot be parsed (an empty one, or one without the header
// line, included) makes every call on its hive fail with ERROR_REGISTRY_CORRUPT
// (RegLastProblem() tells which line) and is never overwritten; a missing file is an empty
// hive.
//
// Results are Win32 error numbers: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (no such key or
// value), ERROR_ACCESS_DENIED, ERROR_MORE_DATA (buffer too small; the size needed is given
// back), ERROR_NO_MORE_ITEMS (enumeration index past the end), ERROR_INVALID_HANDLE,
// ERROR_INVALID_PARAMETER (bad name, type or size), ERROR_KEY_DELETED (the key of an open
// handle is gone).
#pragma once

#include <cstdint>
#include <string>

#include "platform/RegistryFile.h"
#include "platform/Win32Error.h"

namespace platform {

using LONG = std::int32_t;
using BYTE = std::uint8_t;
using REGSAM = std::uint32_t;
struct RegKeyHandle;
using HKEY = RegKeyHandle*;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

[[nodiscard]] LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD options, REGSAM access,
                                HKEY* result);
// Creates the key and any missing keys above it, or opens it when it is there.
[[nodiscard]] LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD reserved,
                                  const char* keyClass, DWORD options, REGSAM access,
                                  const void* security, HKEY* result, DWORD* disposition);
[[nodiscard]] LONG RegCreateKey(HKEY key, const char* subKey, HKEY* result);
// With `data` null only the size (and type) is given back. A buffer too small gives
// ERROR_MORE_DATA with the size needed in *size.
[[nodiscard]] LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                   BYTE* data, DWORD* size);
[[nodiscard]] LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type,
                                 const BYTE* data, DWORD size);
[[nodiscard]] LONG RegDeleteValue(HKEY key, const char* name);
// Deletes a key that has no sub-keys (one with sub-keys gives ERROR_ACCESS_DENIED).
[[nodiscard]] LONG RegDeleteKey(HKEY key, const char* subKey);
// Sub-keys by index, in name order; *nameLength is in characters, with room for the zero.
[[nodiscard]] LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLength,
                                DWORD* reserved, char* keyClass, DWORD* classLength,
                                void* lastWriteTime);
// Values by index, in the order they were created.
[[nodiscard]] LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLength,
                                DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegCloseKey(HKEY key);

// What was wrong with the last store file that failed to parse on this thread
// ("<file>: line N: ..."), or empty.
std::string RegLastProblem();

}  // namespace platform
