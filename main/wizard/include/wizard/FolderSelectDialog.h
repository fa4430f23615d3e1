// The "Change Path" dialog (dialog 108) of the interface queue page: a folder typed, picked
// by its drive or browsed for, which may also be made here. OK requires a folder that
// exists; Cancel keeps a folder that exists and otherwise goes back to the one it began with.
#pragma once

#include <string>

#include "uikit/Dialog.h"

namespace wizard {

class FolderSelectDialog : public uikit::IDialogModel {
public:
    static constexpr int IDD = 108;
    static constexpr int IDC_PATH = 3100;
    static constexpr int IDC_DRIVES = 3101;
    static constexpr int IDC_BROWSE = 3102;
    static constexpr int IDC_CREATE_DIRECTORY = 3103;

    FolderSelectDialog();

    // The folder shown at first (before the dialog runs).
    void SetPath(std::string path) { m_strPath = std::move(path); }
    // The folder chosen (after it ran).
    [[nodiscard]] const std::string& GetPath() const noexcept { return m_strPath; }

    [[nodiscard]] const uikit::DialogSpec& Spec() const override { return m_spec; }
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

private:
    void SelectDrive(uikit::IControlPanel& panel) const;
    void OnCreateDirectory(const uikit::IControlPanel& panel) const;
    void OnOK(uikit::IControlPanel& panel);

    uikit::DialogSpec m_spec;
    std::string m_strInitialPath;
    std::string m_strDrive;
    std::string m_strPath;
};

}  // namespace wizard
