// Private-profile ("ini") files with the behaviour that callers written for Windows rely on.
// A file named without a folder ("TREVO.INI") lives in the Windows folder of the machine
// root; a name with a folder is mapped with MapPath. Every read reads the file anew.
//
// Reads (the Windows contract):
// - Section and key names compare without regard to case; blanks around names and values
//   are trimmed; a value in matching double or single quotes loses them.
// - Only a line that starts with ';' is a comment: a ';' inside a value belongs to it.
// - A value is cut to size - 1 characters and terminated; the result is the count copied
//   (size - 1 when cut). A missing file, section or key gives the default (trailing blanks
//   trimmed; none is "").
// - With no section, the section names; with no key, the key names of the section: each
//   name zero-terminated, the list ending with one more zero; a list that does not fit is
//   cut, still ends with two zeros, and the result is size - 2.
// The last error is ERROR_SUCCESS when the value or list was found, ERROR_FILE_NOT_FOUND
// when the default was given, ERROR_MORE_DATA when a value was cut.
//
// Writes are safe between processes and threads: an exclusive lock on "<file>.lock",
// the file read again, the change applied, a temporary file written and flushed to disk,
// then renamed over the file. Untouched lines keep their text and order. A write that
// changes nothing writes nothing.
#pragma once

#include <cstdint>
#include <filesystem>

namespace platform {

// Where the file of a profile name lives (empty when the name cannot map).
std::filesystem::path ProfilePath(const char* fileName);

[[nodiscard]] std::uint32_t GetPrivateProfileString(const char* section, const char* key,
                                                    const char* defaultValue, char* buffer,
                                                    std::uint32_t size, const char* fileName);

// The value as a decimal number (leading blanks and a sign allowed; conversion stops at
// the first other character, so a text without digits gives 0); the default when the key
// is missing or empty.
[[nodiscard]] std::uint32_t GetPrivateProfileInt(const char* section, const char* key,
                                                 int defaultValue, const char* fileName);

// The entries of a section, each "key=value" zero-terminated, with the list ending and
// cut as for the name lists above.
[[nodiscard]] std::uint32_t GetPrivateProfileSection(const char* section, char* buffer,
                                                     std::uint32_t size, const char* fileName);
[[nodiscard]] std::uint32_t GetPrivateProfileSectionNames(char* buffer, std::uint32_t size,
                                                          const char* fileName);

// Adds or replaces key=value (a new key goes at the end of its section, a new section at
// the end of the file, a missing file is created); a null value removes the key; a null
// key removes the section with all its lines. Names and values holding a line break (and
// keys holding '=', sections holding ']') are refused with ERROR_INVALID_PARAMETER, as
// they would change other entries of the file. A folder that does not exist is
// ERROR_PATH_NOT_FOUND (the Windows folder of the root is made when needed).
[[nodiscard]] bool WritePrivateProfileString(const char* section, const char* key,
                                             const char* value, const char* fileName);

}  // namespace platform
