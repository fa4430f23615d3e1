// The file device's first page (dialog 237 "File"): whether the device writes one file or a
// series, and the folder it writes into. Next checks that the folder exists and goes on to
// the single or the multiple file page.
#pragma once

#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpFile : public CWizardPage {
public:
    static constexpr int IDC_SELECT_FILE = 1020;
    static constexpr int IDC_FILE_LOCATION = 1024;

    CVekaPrpFile();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The file type of index 0 ("Single") or 1 ("Multiple"); "" for any other.
    static std::string GetFileType(int index);

    // The chosen file type's text, and the output folder.
    [[nodiscard]] const std::string& GetFileType() const noexcept { return m_strFileType; }
    [[nodiscard]] const std::string& GetFolder() const noexcept { return m_strFolder; }

private:
    void LoadFileType(uikit::IControlPanel& panel);
    void LoadExistingDevice();
    void OnBrowse(uikit::IControlPanel& panel);
    // True when the folder exists; a missing one is logged.
    bool FileLocationExists() const;
    void ToControls(uikit::IControlPanel& panel) const;
    void FromControls(const uikit::IControlPanel& panel);

    std::string m_strFileType;
    std::string m_strFolder;
};

}  // namespace wizard
