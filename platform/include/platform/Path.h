// Windows paths as the configuration and the callers know them, turned into paths of this
// machine. Drive letters become folders under the machine root ("C:\SPL\x" is
// <root>/drive_c/SPL/x), named pipes ("\\.\PIPE\name") become entries of <root>/run/pipe/,
// and names keep their case.
#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// Maps a Windows path (either separator) to a path of this machine:
// - "C:\X\y", "c:/X/y", "C:X" -> <root>/drive_c/X/y (the drive folder in lower case);
// - "\X\y" (rooted, no drive) -> <root>/drive_c/X/y;
// - "\\.\PIPE\name" (PIPE in any case) -> <root>/run/pipe/name;
// - a relative path stays relative, with '/' separators;
// - an absolute path of this machine ("/var/x") passes unchanged but for backslashes,
//   which become '/' ("/root/windows\SESSION.INI" -> /root/windows/SESSION.INI).
// "." components are dropped and ".." goes up one folder but never above the drive's root,
// as Windows resolves it. Returns an empty path and sets the last error to
// ERROR_INVALID_NAME for what names no file here: an empty path, a network share
// ("\\server\share"), another device of "\\.\", characters Windows refuses in names
// (< > : " | ? * and control characters).
std::filesystem::path MapPath(std::string_view windowsPath);

}  // namespace platform
