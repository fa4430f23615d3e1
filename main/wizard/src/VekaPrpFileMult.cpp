#include "wizard/VekaPrpFileMult.h"

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "wizard/DataExchange.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;

constexpr double kMaxFilesLimit = 999.0;
// A file's size is stored in 32 bits; below 1 nothing could be written.
constexpr double kMaxFileSizeLimit = 4294967295.0;

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpFileMult;
    return {"Multiple File",
            0,
            0,
            {{0, ControlKind::Label, "File &Name:"},
             {C::IDC_FILE_NAME, ControlKind::Edit, "", true, static_cast<int>(C::kMaxName)},
             {0, ControlKind::Group, "File Extention"},
             {C::IDC_INCREMENT, ControlKind::Radio, "Increment by 001"},
             {C::IDC_TIME_STAMPED, ControlKind::Radio, "Time Stamped"},
             {0, ControlKind::Label, "Maximum &Files:"},
             {C::IDC_MAX_FILES, ControlKind::Edit, "", true, static_cast<int>(C::kMaxFiles)},
             {0, ControlKind::Label, "Maximum File &Size:"},
             {C::IDC_MAX_FILE_SIZE, ControlKind::Edit, "", true, static_cast<int>(C::kMaxSize)}}};
}

// A default text of the string table; a failed load is logged under its name.
std::string DefaultText(std::uint32_t id, const char* name) {
    std::string text = core::LoadVekaString(id);
    if (text.empty())
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpFileMult::OnInitDialog(): LoadString():", "%s failed", name);
    return text;
}

}  // namespace

CVekaPrpFileMult::CVekaPrpFileMult() : CWizardPage(IDD_FILE_MULTIPLE, PageSpec()) {}

void CVekaPrpFileMult::OnInitDialog(uikit::IControlPanel& panel) {
    m_strFileName = DefaultText(IDS_DEFAULT_FILE_NAME, "IDS_DEFAULT_FILE_NAME");
    m_strMaxFiles = DefaultText(IDS_DEFAULT_MAX_FILES, "IDS_DEFAULT_MAX_FILES");
    m_strMaxSize = DefaultText(IDS_DEFAULT_MAX_FILE_SIZE, "IDS_DEFAULT_MAX_FILE_SIZE");
    LoadExistingDevice(panel);
    ToControls(panel);
}

void CVekaPrpFileMult::LoadExistingDevice(uikit::IControlPanel& panel) {
    int kind = 0;
    CRegistry& reg = GlobalRegistry();
    if (!m_strDeviceKey.empty() && reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
        if (QueryString(reg, "Device Type") == kFile) {
            m_strFileName = QueryString(reg, "File Name");
            m_strMaxFiles = Decimal(QueryDword(reg, "Multiple File Limit"));
            m_strMaxSize = Decimal(QueryDword(reg, "Maximum File Size"));
            kind = static_cast<int>(QueryDword(reg, "Extn. Type"));
        }
        static_cast<void>(reg.RegistryClose());
    }
    SetExtensionKind(panel, kind);
}

void CVekaPrpFileMult::SetExtensionKind(uikit::IControlPanel& panel, int kind) {
    m_nExtensionKind = kind;
    panel.SetCheck(IDC_INCREMENT, kind == 0);
    panel.SetCheck(IDC_TIME_STAMPED, kind == 1);
    panel.Enable(IDC_MAX_FILES, kind == 0);
}

void CVekaPrpFileMult::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id == IDC_INCREMENT)
        SetExtensionKind(panel, 0);
    else if (id == IDC_TIME_STAMPED)
        SetExtensionKind(panel, 1);
}

void CVekaPrpFileMult::ToControls(uikit::IControlPanel& panel) const {
    panel.SetText(IDC_FILE_NAME, m_strFileName);
    panel.SetText(IDC_MAX_FILES, m_strMaxFiles);
    panel.SetText(IDC_MAX_FILE_SIZE, m_strMaxSize);
}

bool CVekaPrpFileMult::FromControls(uikit::IControlPanel& panel) {
    return ExchangeText(panel, IDC_FILE_NAME, kMaxName, m_strFileName) &&
           ExchangeText(panel, IDC_MAX_FILE_SIZE, kMaxSize, m_strMaxSize) &&
           ExchangeText(panel, IDC_MAX_FILES, kMaxFiles, m_strMaxFiles);
}

bool CVekaPrpFileMult::OnKillActive(uikit::IControlPanel& panel) {
    return FromControls(panel);
}

int CVekaPrpFileMult::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    if (!FromControls(panel)) return kStay;
    std::uint32_t message = 0;
    if (m_strFileName.empty())
        message = IDS_FILE_NAME_REQUIRED;
    else if (m_strMaxFiles.empty())
        message = IDS_MAX_FILES_REQUIRED;
    else if (!NumberInRange(m_strMaxFiles, 1, kMaxFilesLimit))
        message = IDS_MAX_FILES_INVALID;
    else if (m_strMaxSize.empty())
        message = IDS_MAX_FILE_SIZE_REQUIRED;
    else if (!NumberInRange(m_strMaxSize, 1, kMaxFileSizeLimit))
        message = IDS_MAX_FILE_SIZE_INVALID;
    if (message != 0) {
        static_cast<void>(StopBox(message));
        return kStay;
    }
    return NextAfter(IDD_FILE_MULTIPLE);
}

}  // namespace wizard
