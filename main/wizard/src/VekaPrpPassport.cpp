#include "wizard/VekaPrpPassport.h"

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "wizard/Folders.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpPassport;
    using uikit::ControlKind;
    return {"Passport File Location",
            0,
            0,
            {{0, ControlKind::Label, "Location"},
             {C::IDC_LOCATION, ControlKind::Edit, "", true, static_cast<int>(C::kMaxLocation)},
             {C::IDC_BROWSE, ControlKind::Button, "&Browse"},
             {0, ControlKind::Label, "File Name"},
             {C::IDC_FILE_NAME, ControlKind::Edit, "", true, static_cast<int>(C::kMaxFileName)},
             {0, ControlKind::Label, "Ext"},
             {C::IDC_EXTENSION, ControlKind::Edit, "", true, static_cast<int>(C::kMaxExtension)}}};
}

}  // namespace

CVekaPrpPassport::CVekaPrpPassport() : CWizardPage(IDD_PASSPORT, PageSpec()) {}

CVekaPrpPassport::FileParts CVekaPrpPassport::SplitFileName(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = dot == std::string::npos ? std::string::npos : path.rfind('\\', dot);
    if (slash == std::string::npos) return {{}, path, {}};
    return {path.substr(0, slash), path.substr(slash + 1, dot - slash - 1), path.substr(dot + 1)};
}

void CVekaPrpPassport::ToControls(uikit::IControlPanel& panel) const {
    panel.SetText(IDC_LOCATION, m_strLocation);
    panel.SetText(IDC_FILE_NAME, m_strFileName);
    panel.SetText(IDC_EXTENSION, m_strExtension);
}

void CVekaPrpPassport::FromControls(const uikit::IControlPanel& panel) {
    m_strLocation = panel.GetText(IDC_LOCATION).substr(0, kMaxLocation);
    m_strFileName = panel.GetText(IDC_FILE_NAME).substr(0, kMaxFileName);
    m_strExtension = panel.GetText(IDC_EXTENSION).substr(0, kMaxExtension);
}

void CVekaPrpPassport::OnSetActive(uikit::IControlPanel& panel) {
    panel.Enable(IDC_BROWSE, CRegistryBase::AccessLevel() >= CRegistryBase::ACCESS_FULL);
    if (m_strDeviceKey.empty()) return;
    m_strLocation.clear();
    m_strFileName.clear();
    m_strExtension.clear();
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
        FileParts parts = SplitFileName(QueryString(reg, "File Name"));
        static_cast<void>(reg.RegistryClose());
        m_strLocation = std::move(parts.location);
        m_strFileName = std::move(parts.name);
        m_strExtension = std::move(parts.extension);
    }
    ToControls(panel);
}

void CVekaPrpPassport::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id != IDC_BROWSE) return;
    FromControls(panel);
    if (std::optional<std::string> folder = BrowseForFolder({})) m_strLocation = std::move(*folder);
    ToControls(panel);
}

bool CVekaPrpPassport::FileLocationExists() const {
    if (FolderExists(m_strLocation)) return true;
    TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                 "CVekaPrpPassport::FileLocationExists():", "szFileLocation=%s",
                 m_strLocation.c_str());
    return false;
}

int CVekaPrpPassport::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    FromControls(panel);
    std::uint32_t message = 0;
    if (m_strFileName.empty())
        message = IDS_FILE_NAME_REQUIRED;
    else if (m_strExtension.empty())
        message = IDS_EXTENSION_REQUIRED;
    else if (m_strLocation.empty())
        message = IDS_LOCATION_REQUIRED;
    else if (!FileLocationExists())
        message = IDS_LOCATION_MISSING;
    if (message != 0) {
        static_cast<void>(StopBox(message));
        return kStay;
    }
    return NextAfter(IDD_PASSPORT);
}

}  // namespace wizard
