#include "wizard/VekaPrpFile.h"

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "wizard/DataExchange.h"
#include "wizard/Folders.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;

constexpr char kDefaultFolder[] = "C:\\";

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpFile;
    return {"File",
            0,
            0,
            {{0, ControlKind::Label, "&Select Type:"},
             {C::IDC_SELECT_FILE, ControlKind::DropList, ""},
             {0, ControlKind::Label, "File &Location:"},
             {C::IDC_FILE_LOCATION, ControlKind::Edit, ""},
             {C::IDC_BROWSE, ControlKind::Button, "&Browse"}}};
}

}  // namespace

CVekaPrpFile::CVekaPrpFile() : CWizardPage(IDD_FILE, PageSpec()) {}

std::string CVekaPrpFile::GetFileType(int index) {
    if (index == 0 || index == 1) return core::LoadVekaString(IDS_FILE_SINGLE + index);
    TRACE_STRING(CTraceLog::LEVEL_ERROR,
                 "CVekaPrpFile::GetFileType(): LoadString():", "Out of bounds");
    return {};
}

void CVekaPrpFile::LoadFileType(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_SELECT_FILE);
    for (int index = 0; index < 2; ++index) {
        const int before = panel.RowCount(IDC_SELECT_FILE);
        panel.AddRow(IDC_SELECT_FILE, {GetFileType(index)});
        if (panel.RowCount(IDC_SELECT_FILE) != before + 1)
            TRACE_STRING(CTraceLog::LEVEL_ERROR,
                         "CVekaPrpFile::LoadFileType(): AddString():", "FileType failed");
    }
}

void CVekaPrpFile::OnInitDialog(uikit::IControlPanel& panel) {
    LoadFileType(panel);
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey + kDefaultsDeviceKey, false)) {
        m_strFolder = QueryString(reg, "File Location");
        static_cast<void>(reg.RegistryClose());
    }
    if (m_strFolder.empty()) m_strFolder = kDefaultFolder;
    LoadExistingDevice();
    ToControls(panel);
}

void CVekaPrpFile::LoadExistingDevice() {
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false))
        return;
    if (QueryString(reg, "Device Type") == kFile) {
        m_strFileType = GetFileType(QueryDword(reg, "Multiple Files") == 0 ? 0 : 1);
        static_cast<void>(reg.RegistryQueryString("File Location", &m_strFolder, true, false));
    }
    static_cast<void>(reg.RegistryClose());
}

void CVekaPrpFile::OnSetActive(uikit::IControlPanel& panel) {
    DisableBrowseWhenReadOnly(panel);
}

bool CVekaPrpFile::OnKillActive(uikit::IControlPanel& panel) {
    FromControls(panel);
    return true;
}

void CVekaPrpFile::ToControls(uikit::IControlPanel& panel) const {
    SelectListText(panel, IDC_SELECT_FILE, m_strFileType);
    panel.SetText(IDC_FILE_LOCATION, m_strFolder);
}

void CVekaPrpFile::FromControls(const uikit::IControlPanel& panel) {
    m_strFileType = ListText(panel, IDC_SELECT_FILE);
    m_strFolder = panel.GetText(IDC_FILE_LOCATION);
}

void CVekaPrpFile::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id == IDC_BROWSE) OnBrowse(panel);
}

void CVekaPrpFile::OnBrowse(uikit::IControlPanel& panel) {
    FromControls(panel);
    if (const auto folder = BrowseForFolder("")) m_strFolder = *folder;
    ToControls(panel);
}

bool CVekaPrpFile::FileLocationExists() const {
    if (FolderExists(m_strFolder)) return true;
    TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaPrpFile::FileLocationExists():", "szFileLocation=%s",
                 m_strFolder.c_str());
    return false;
}

int CVekaPrpFile::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    FromControls(panel);
    if (m_strFolder.empty()) {
        static_cast<void>(StopBox(IDS_LOCATION_REQUIRED));
        return kStay;
    }
    if (!FileLocationExists()) {
        static_cast<void>(StopBox(IDS_LOCATION_MISSING));
        return kStay;
    }
    const int next = NextAfterFile(panel.Selected(IDC_SELECT_FILE));
    if (next == kStay)
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpFile::OnWizardNext():", "Selection not valid");
    return next;
}

}  // namespace wizard
