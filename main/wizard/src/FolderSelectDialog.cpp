#include "wizard/FolderSelectDialog.h"

#include "core/VekaStrings.h"
#include "wizard/Folders.h"
#include "wizard/Messages.h"
#include "wizard/PathExchange.h"

namespace wizard {

namespace {

uikit::DialogSpec DialogSpec() {
    using C = FolderSelectDialog;
    using uikit::ControlKind;
    return {"Change Path",
            0,
            0,
            {{0, ControlKind::Label, "Browse for existing, or specify new path"},
             {0, ControlKind::Label, "&Path :"},
             {C::IDC_PATH, ControlKind::Edit, ""},
             {0, ControlKind::Label, "&Drives :"},
             {C::IDC_DRIVES, ControlKind::DropList, ""},
             {C::IDC_BROWSE, ControlKind::Button, "&Browse..."},
             {C::IDC_CREATE_DIRECTORY, ControlKind::Button, "&Create Directory"},
             {uikit::IDOK, ControlKind::Button, "OK"},
             {uikit::IDCANCEL, ControlKind::Button, "Cancel"}}};
}

// The drive list's entry of a folder: its first letter followed by ":\".
std::string DriveEntryOf(const std::string& folder) {
    return folder.empty() ? std::string() : folder.substr(0, 1) + ":\\";
}

}  // namespace

FolderSelectDialog::FolderSelectDialog() : m_spec(DialogSpec()) {}

void FolderSelectDialog::SelectDrive(uikit::IControlPanel& panel) const {
    const std::string entry = DriveEntryOf(m_strPath);
    for (int row = 0; row < panel.RowCount(IDC_DRIVES); ++row)
        if (!entry.empty() && panel.RowText(IDC_DRIVES, row, 0) == entry) {
            panel.Select(IDC_DRIVES, row);
            return;
        }
}

void FolderSelectDialog::OnInitDialog(uikit::IControlPanel& panel) {
    panel.SetText(IDC_PATH, m_strPath);
    m_strInitialPath = m_strPath;
    panel.ClearRows(IDC_DRIVES);
    for (char letter = 'C'; letter <= 'Z'; ++letter)
        if (DriveExists(letter)) panel.AddRow(IDC_DRIVES, {std::string(1, letter) + ":\\"});
    SelectDrive(panel);
}

void FolderSelectDialog::OnCreateDirectory(const uikit::IControlPanel& panel) const {
    const std::string text = panel.GetText(IDC_PATH).substr(0, kMaxPath);
    if (text.empty()) {
        static_cast<void>(FormatBox(IDS_NO_PATH, {}));
        return;
    }
    if (!CheckFolderForm(text)) return;
    if (FolderExists(text))
        static_cast<void>(FormatBox(IDS_DIRECTORY_EXISTS, text));
    else if (!MakeFolder(text))
        static_cast<void>(FormatBox(IDS_CREATE_FAILED, text));
}

void FolderSelectDialog::OnOK(uikit::IControlPanel& panel) {
    const int drive = panel.Selected(IDC_DRIVES);
    m_strDrive = drive < 0 ? std::string() : panel.RowText(IDC_DRIVES, drive, 0);
    if (DDX_PathRequired(true, panel, IDC_PATH, m_strPath) && DDX_PathValid(true, panel, IDC_PATH))
        EndDialog(uikit::IDOK);
}

void FolderSelectDialog::OnCommand(int id, uikit::IControlPanel& panel) {
    switch (id) {
        case IDC_DRIVES: {
            const int row = panel.Selected(IDC_DRIVES);
            if (row < 0) return;
            m_strPath = panel.RowText(IDC_DRIVES, row, 0);
            panel.SetText(IDC_PATH, m_strPath);
            return;
        }
        case IDC_PATH:
            m_strPath = panel.GetText(IDC_PATH);
            if (!m_strPath.empty() && DriveExists(m_strPath[0])) SelectDrive(panel);
            return;
        case IDC_BROWSE:
            if (std::optional<std::string> folder =
                    BrowseForFolder(core::LoadVekaString(IDS_BROWSE_TITLE))) {
                m_strPath = *folder;
                panel.SetText(IDC_PATH, m_strPath);
                SelectDrive(panel);
            }
            return;
        case IDC_CREATE_DIRECTORY:
            OnCreateDirectory(panel);
            return;
        case uikit::IDOK:
            OnOK(panel);
            return;
        case uikit::IDCANCEL:
            if (!FolderExists(m_strPath)) m_strPath = m_strInitialPath;
            EndDialog(uikit::IDCANCEL);
            return;
        default:
            return;
    }
}

}  // namespace wizard
