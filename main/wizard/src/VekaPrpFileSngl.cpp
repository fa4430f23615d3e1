#include "wizard/VekaPrpFileSngl.h"

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

// A file's size is stored in 32 bits; below 1 nothing could be written.
constexpr double kMaxFileSizeLimit = 4294967295.0;

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpFileSngl;
    return {"Single File",
            0,
            0,
            {{0, ControlKind::Label, "File &Name:"},
             {C::IDC_FILE_NAME, ControlKind::Edit, "", true, static_cast<int>(C::kMaxName)},
             {0, ControlKind::Label, "File &Ext:"},
             {C::IDC_FILE_EXT, ControlKind::Edit, "", true, static_cast<int>(C::kMaxExtension)},
             {0, ControlKind::Label, "&If Existing File:"},
             {C::IDC_IF_EXISTING, ControlKind::DropList, ""},
             {0, ControlKind::Label, "Maximum File &Size:"},
             {C::IDC_MAX_FILE_SIZE, ControlKind::Edit, "", true, static_cast<int>(C::kMaxSize)}}};
}

}  // namespace

CVekaPrpFileSngl::CVekaPrpFileSngl() : CWizardPage(IDD_FILE_SINGLE, PageSpec()) {}

std::string CVekaPrpFileSngl::GetIfExistingFile(int index) {
    if (index == 0 || index == 1) return core::LoadVekaString(IDS_APPEND + index);
    TRACE_STRING(CTraceLog::LEVEL_ERROR,
                 "CVekaPrpFileSngl::GetIfExistingFile(): LoadString():", "Out of bounds");
    return {};
}

void CVekaPrpFileSngl::LoadIfExistingFile(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_IF_EXISTING);
    for (int index = 0; index < 2; ++index) {
        const int before = panel.RowCount(IDC_IF_EXISTING);
        panel.AddRow(IDC_IF_EXISTING, {GetIfExistingFile(index)});
        if (panel.RowCount(IDC_IF_EXISTING) != before + 1)
            TRACE_STRING(
                CTraceLog::LEVEL_ERROR,
                "CVekaPrpFileSngl::LoadIfExistingFile(): AddString():", "IfExistingFile failed");
    }
}

void CVekaPrpFileSngl::OnInitDialog(uikit::IControlPanel& panel) {
    LoadIfExistingFile(panel);
    m_strFileName = core::LoadVekaString(IDS_DEFAULT_FILE_NAME);
    m_strExtension = core::LoadVekaString(IDS_DEFAULT_FILE_TYPE);
    m_strMaxSize = core::LoadVekaString(IDS_DEFAULT_MAX_FILE_SIZE);
    LoadExistingDevice();
    ToControls(panel);
}

void CVekaPrpFileSngl::LoadExistingDevice() {
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false))
        return;
    if (QueryString(reg, "Device Type") == kFile) {
        m_strFileName = QueryString(reg, "File Name");
        m_strMaxSize = Decimal(QueryDword(reg, "Maximum File Size"));
        m_strExtension = QueryString(reg, "Single File Type");
        m_strIfExisting = GetIfExistingFile(QueryDword(reg, "Single File Append") != 0 ? 0 : 1);
    }
    static_cast<void>(reg.RegistryClose());
}

void CVekaPrpFileSngl::ToControls(uikit::IControlPanel& panel) const {
    panel.SetText(IDC_FILE_NAME, m_strFileName);
    panel.SetText(IDC_FILE_EXT, m_strExtension);
    SelectListText(panel, IDC_IF_EXISTING, m_strIfExisting);
    panel.SetText(IDC_MAX_FILE_SIZE, m_strMaxSize);
}

bool CVekaPrpFileSngl::FromControls(uikit::IControlPanel& panel) {
    if (!ExchangeText(panel, IDC_FILE_NAME, kMaxName, m_strFileName) ||
        !ExchangeText(panel, IDC_FILE_EXT, kMaxExtension, m_strExtension))
        return false;
    m_strIfExisting = ListText(panel, IDC_IF_EXISTING);
    return ExchangeText(panel, IDC_MAX_FILE_SIZE, kMaxSize, m_strMaxSize);
}

bool CVekaPrpFileSngl::OnKillActive(uikit::IControlPanel& panel) {
    return FromControls(panel);
}

int CVekaPrpFileSngl::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    if (!FromControls(panel)) return kStay;
    std::uint32_t message = 0;
    if (m_strFileName.empty())
        message = IDS_FILE_NAME_REQUIRED;
    else if (m_strExtension.empty())
        message = IDS_FILE_TYPE_REQUIRED;
    else if (m_strMaxSize.empty())
        message = IDS_MAX_FILE_SIZE_REQUIRED;
    else if (!NumberInRange(m_strMaxSize, 1, kMaxFileSizeLimit))
        message = IDS_MAX_FILE_SIZE_INVALID;
    if (message != 0) {
        static_cast<void>(StopBox(message));
        return kStay;
    }
    return NextAfter(IDD_FILE_SINGLE);
}

}  // namespace wizard
