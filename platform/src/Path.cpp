#include "platform/Path.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/MachineRoot.h"
#include "platform/Win32Error.h"

namespace platform {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Characters Windows never accepts in a file or folder name.
bool IsRefused(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20) return true;
    switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*':
            return true;
        default:
            return false;
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Splits the rest of a path into its names. With `rooted`, ".." stops at the root as
// Windows resolves it; otherwise it is kept for the caller's working folder to resolve.
bool SplitNames(std::string_view rest, bool rooted, std::vector<std::string_view>& names) {
    std::size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && IsSeparator(rest[i])) ++i;
        std::size_t end = i;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::string_view name = rest.substr(i, end - i);
        i = end;
        if (name.empty() || name == ".") continue;
        for (char c : name)
            if (IsRefused(c)) return false;
        if (name == "..") {
            if (!names.empty() && names.back() != "..")
                names.pop_back();
            else if (!rooted)
                names.push_back(name);
            continue;
        }
        names.push_back(name);
    }
    return true;
}

std::filesystem::path Join(std::filesystem::path base, const std::vector<std::string_view>& names) {
    for (std::string_view name : names) base /= std::string(name);
    return base;
}

std::filesystem::path Invalid() {
    SetLastError(ERROR_INVALID_NAME);
    return {};
}

}  // namespace

std::filesystem::path MapPath(std::string_view windowsPath) {
    if (windowsPath.empty() || windowsPath.find('\0') != std::string_view::npos) return Invalid();

    // A path of this machine already. Code written for Windows joins names with '\', also
    // to folders it was given as paths of this machine ("<windows folder>\SESSION.INI").
    if (windowsPath.front() == '/' && (windowsPath.size() < 2 || !IsSeparator(windowsPath[1]))) {
        std::string path(windowsPath);
        std::replace(path.begin(), path.end(), '\\', '/');
        return std::filesystem::path(std::move(path));
    }

    std::vector<std::string_view> names;

    // "\\.\PIPE\name", "\\server\share", "\\?\...".
    if (windowsPath.size() >= 2 && IsSeparator(windowsPath[0]) && IsSeparator(windowsPath[1])) {
        constexpr std::string_view kPipe = "\\\\.\\PIPE\\";
        if (windowsPath.size() <= kPipe.size()) return Invalid();
        const std::string_view prefix = windowsPath.substr(0, kPipe.size());
        if (prefix[2] != '.' || !IsSeparator(prefix[3]) ||
            !EqualsNoCase(prefix.substr(4, 4), "PIPE") || !IsSeparator(prefix[8]))
            return Invalid();
        if (!SplitNames(windowsPath.substr(kPipe.size()), true, names) || names.empty())
            return Invalid();
        return Join(RunDir() / "pipe", names);
    }

    // "C:\x", "C:x", "C:".
    if (windowsPath.size() >= 2 && IsLetter(windowsPath[0]) && windowsPath[1] == ':') {
        if (!SplitNames(windowsPath.substr(2), true, names)) return Invalid();
        return Join(MachineRoot() / (std::string("drive_") + Lower(windowsPath[0])), names);
    }

    // "\x": rooted on the current drive, which is C: for this system.
    if (IsSeparator(windowsPath.front())) {
        if (!SplitNames(windowsPath, true, names)) return Invalid();
        return Join(MachineRoot() / "drive_c", names);
    }

    if (!SplitNames(windowsPath, false, names)) return Invalid();
    if (names.empty()) return std::filesystem::path(".");
    return Join(std::filesystem::path(), names);
}

}  // namespace platform
