// The multiple file page (dialog 239 "Multiple File"): the files' base name, whether their
// extensions count up from 001 or carry a time stamp, how many files there may be (for
// counted extensions) and each file's maximum size.
#pragma once

#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpFileMult : public CWizardPage {
public:
    static constexpr int IDC_FILE_NAME = 1022;
    static constexpr int IDC_INCREMENT = 1114;
    static constexpr int IDC_TIME_STAMPED = 1115;
    static constexpr int IDC_MAX_FILES = 1011;
    static constexpr int IDC_MAX_FILE_SIZE = 1012;
    static constexpr std::size_t kMaxName = 8;
    static constexpr std::size_t kMaxSize = 10;
    static constexpr std::size_t kMaxFiles = 3;

    CVekaPrpFileMult();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // 0 increment by 001, 1 time stamped.
    [[nodiscard]] int GetExtensionKind() const noexcept { return m_nExtensionKind; }
    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_strFileName; }
    [[nodiscard]] const std::string& GetMaxFileSize() const noexcept { return m_strMaxSize; }
    [[nodiscard]] const std::string& GetMaxFiles() const noexcept { return m_strMaxFiles; }

private:
    void LoadExistingDevice(uikit::IControlPanel& panel);
    void SetExtensionKind(uikit::IControlPanel& panel, int kind);
    void ToControls(uikit::IControlPanel& panel) const;
    bool FromControls(uikit::IControlPanel& panel);

    int m_nExtensionKind = 0;
    std::string m_strFileName;
    std::string m_strMaxSize;
    std::string m_strMaxFiles;
};

}  // namespace wizard
