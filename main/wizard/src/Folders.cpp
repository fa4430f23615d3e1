#include "wizard/Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "platform/MachineRoot.h"
#include "platform/Path.h"
#include "uikit/Dialog.h"
#include "wizard/Messages.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

bool IsFolder(const std::filesystem::path& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::filesystem::path Canonical(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : canonical;
}

}  // namespace

bool DriveExists(char letter) {
    if (letter < 'A' || letter > 'Z') return false;
    const char root[] = {'d', 'r', 'i', 'v', 'e', '_', static_cast<char>(letter - 'A' + 'a'), 0};
    return IsFolder(platform::MachineRoot() / root);
}

bool FolderExists(const std::string& folder) {
    const std::filesystem::path path = platform::MapPath(folder);
    // Entering a folder takes the right to search it.
    return IsFolder(path) && ::access(path.c_str(), X_OK) == 0;
}

bool MakeFolder(const std::string& folder) {
    const std::filesystem::path path = platform::MapPath(folder);
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

std::optional<std::string> WindowsFolderOf(const std::filesystem::path& folder) {
    const std::filesystem::path relative =
        Canonical(folder).lexically_relative(Canonical(platform::MachineRoot()));
    auto name = relative.begin();
    if (relative.empty() || name == relative.end()) return std::nullopt;
    const std::string drive = name->string();
    if (drive.size() != 7 || drive.compare(0, 6, "drive_") != 0 || drive[6] < 'a' || drive[6] > 'z')
        return std::nullopt;
    std::string windows = {static_cast<char>(drive[6] - 'a' + 'A'), ':'};
    for (++name; name != relative.end(); ++name)
        if (!name->empty() && name->string() != ".") windows += "\\" + name->string();
    if (windows.size() == 2) windows += "\\";
    return windows;
}

std::optional<std::string> BrowseForFolder(const std::string& title) {
    const std::optional<std::string> chosen = uikit::ChooseFolder(title);
    if (!chosen) return std::nullopt;
    std::optional<std::string> windows = WindowsFolderOf(*chosen);
    if (!windows) static_cast<void>(FormatBox(IDS_NOT_A_DIRECTORY, *chosen));
    return windows;
}

}  // namespace wizard
