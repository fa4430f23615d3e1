// Folders as the configuration pages know them: Windows paths ("C:\SPL") whose drives are
// the drive roots drive_<x> under the machine root. Nothing here changes the process's
// current directory or drive.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace wizard {

// True when the drive "A" to "Z" (upper case: a lower-case letter names no drive) has its
// root folder.
[[nodiscard]] bool DriveExists(char letter);
// True when the folder exists and can be entered.
[[nodiscard]] bool FolderExists(const std::string& folder);
// Makes the folder in its parent, which must exist; false when it cannot be made.
[[nodiscard]] bool MakeFolder(const std::string& folder);
// The Windows form ("D:\SPL", "C:\") of a folder of this machine below a drive root;
// nothing for one outside every drive root.
[[nodiscard]] std::optional<std::string> WindowsFolderOf(const std::filesystem::path& folder);
// Asks for an existing folder through the folder chooser (under `title`, which may be
// empty). A folder outside every drive root shows 61216 and gives nothing.
[[nodiscard]] std::optional<std::string> BrowseForFolder(const std::string& title);

}  // namespace wizard
