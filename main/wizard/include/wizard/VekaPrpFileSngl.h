// The single file page (dialog 238 "Single File"): the file's name and extension, whether
// output is appended to an existing file or overwrites it, and the file's maximum size.
#pragma once

#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpFileSngl : public CWizardPage {
public:
    static constexpr int IDC_FILE_NAME = 1022;
    static constexpr int IDC_FILE_EXT = 10139;
    static constexpr int IDC_IF_EXISTING = 1023;
    static constexpr int IDC_MAX_FILE_SIZE = 1012;
    static constexpr std::size_t kMaxName = 64;
    static constexpr std::size_t kMaxSize = 10;
    static constexpr std::size_t kMaxExtension = 3;

    CVekaPrpFileSngl();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;

    // The choice of index 0 ("Append") or 1 ("Overwrite"); "" for any other.
    static std::string GetIfExistingFile(int index);

    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_strFileName; }
    [[nodiscard]] const std::string& GetMaxFileSize() const noexcept { return m_strMaxSize; }
    [[nodiscard]] const std::string& GetExtension() const noexcept { return m_strExtension; }
    // "Append" or "Overwrite".
    [[nodiscard]] const std::string& GetIfExisting() const noexcept { return m_strIfExisting; }

private:
    void LoadIfExistingFile(uikit::IControlPanel& panel);
    void LoadExistingDevice();
    void ToControls(uikit::IControlPanel& panel) const;
    bool FromControls(uikit::IControlPanel& panel);

    std::string m_strFileName;
    std::string m_strMaxSize;
    std::string m_strExtension;
    std::string m_strIfExisting;
};

}  // namespace wizard
