// The passport file page (dialog 244 "Passport File Location"): the file into which a
// passport reader also writes what it reads, as a folder, a name and an extension. An
// existing reader's file is shown again on every visit; Next requires all three and a
// folder that exists.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpPassport : public CWizardPage {
public:
    static constexpr int IDC_FILE_NAME = 1022;
    static constexpr int IDC_BROWSE = 1064;
    static constexpr int IDC_EXTENSION = 1066;
    static constexpr int IDC_LOCATION = 1067;
    static constexpr std::size_t kMaxExtension = 3;
    static constexpr std::size_t kMaxFileName = 8;
    static constexpr std::size_t kMaxLocation = 50;

    enum : std::uint32_t {
        IDS_LOCATION_REQUIRED = 403,
        IDS_FILE_NAME_REQUIRED = 404,
        IDS_EXTENSION_REQUIRED = 405,
        IDS_LOCATION_MISSING = 429,
    };

    CVekaPrpPassport();

    void OnSetActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    [[nodiscard]] const std::string& GetExtension() const noexcept { return m_strExtension; }
    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_strFileName; }
    [[nodiscard]] const std::string& GetLocation() const noexcept { return m_strLocation; }

    // A stored file path cut into folder, name and extension: the extension follows the
    // last ".", the name lies between the "\" before it and the "."; a path without a "."
    // or a "\" is all name.
    struct FileParts {
        std::string location;
        std::string name;
        std::string extension;
    };
    static FileParts SplitFileName(const std::string& path);

private:
    void ToControls(uikit::IControlPanel& panel) const;
    void FromControls(const uikit::IControlPanel& panel);
    bool FileLocationExists() const;

    std::string m_strExtension;
    std::string m_strFileName;
    std::string m_strLocation;
};

}  // namespace wizard
