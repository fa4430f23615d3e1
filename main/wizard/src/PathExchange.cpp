#include "wizard/PathExchange.h"

#include "wizard/Folders.h"
#include "wizard/Messages.h"

namespace wizard {

bool CheckFolderForm(const std::string& text) {
    if (text.size() < 3 || text[1] != ':') {
        static_cast<void>(FormatBox(IDS_NOT_A_DIRECTORY, text));
        return false;
    }
    if (!DriveExists(text[0])) {
        static_cast<void>(FormatBox(IDS_NOT_A_DRIVE, text.substr(0, 2)));
        return false;
    }
    if (text.size() == 3 && text[2] == '\\') {
        static_cast<void>(FormatBox(IDS_NOT_A_DIRECTORY, text));
        return false;
    }
    return true;
}

bool CheckFolder(const std::string& text) {
    if (text.empty()) return true;
    if (!CheckFolderForm(text)) return false;
    if (FolderExists(text)) return true;
    if (FormatBox(IDS_CREATE_DIRECTORY, text, MB_YESNOCANCEL | MB_ICONQUESTION) == IDYES &&
        !MakeFolder(text))
        static_cast<void>(FormatBox(IDS_CREATE_FAILED, text));
    return false;
}

bool DDX_PathRequired(bool bSave, uikit::IControlPanel& panel, int id, std::string& path) {
    if (!bSave) {
        panel.SetText(id, path);
        return true;
    }
    path = panel.GetText(id);
    if (!path.empty()) return true;
    static_cast<void>(FormatBox(IDS_NO_PATH, {}));
    return false;
}

bool DDX_PathValid(bool bSave, const uikit::IControlPanel& panel, int id) {
    return !bSave || CheckFolder(panel.GetText(id).substr(0, kMaxPath));
}

}  // namespace wizard
