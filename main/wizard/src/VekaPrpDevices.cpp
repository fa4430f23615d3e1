#include "wizard/VekaPrpDevices.h"

#include <cstdlib>

#include "core/Branding.h"
#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "devices/SCNDialog.h"
#include "wizard/Messages.h"
#include "wizard/RouteRecords.h"
#include "wizard/Store.h"
#include "wizard/TerminatorData.h"
#include "wizard/VekaPrpAddPrp.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;

constexpr int kCharWidth = 7;  // pixels per character of the list's font

uikit::ListColumn Column(std::uint32_t titleId, const char* sample) {
    return {core::LoadVekaString(titleId),
            static_cast<int>(std::char_traits<char>::length(sample)) * kCharWidth};
}

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpDevices;
    uikit::ControlSpec list{C::IDC_DEVICE_LIST, ControlKind::List, ""};
    list.columns = {Column(IDS_COLUMN_NAME, "XXXXXXXXXXXXX "),
                    Column(IDS_COLUMN_TYPE, "XXXXXXXXXXXXX "),
                    Column(IDS_COLUMN_ENABLED, "XXXXXX "), Column(IDS_COLUMN_ID, "XXXXXXXXXXX ")};
    return {"Devices",
            0,
            0,
            {list,
             {C::IDC_ADD, ControlKind::Button, "&Add"},
             {C::IDC_REMOVE, ControlKind::Button, "&Remove"},
             {C::IDC_PROPERTIES, ControlKind::Button, "&Properties"},
             {C::IDC_SCN, ControlKind::Button, "&SCN", false}}};
}

// A text's leading decimal number; 0 without one (or beyond 32 bits).
std::uint32_t Number(const std::string& text) {
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    return value > 0xFFFFFFFFull ? 0 : static_cast<std::uint32_t>(value);
}

// "%s\%s.%s" of the passport file, the folder without a trailing backslash ("C:\" is "C:").
std::string PassportFileName(std::string folder, const std::string& name, const std::string& ext) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\" + name + "." + ext;
}

void SetString(CRegistry& reg, const char* name, const std::string& value) {
    static_cast<void>(reg.RegistrySetString(name, value, true, true));
}

void SetDword(CRegistry& reg, const char* name, std::uint32_t value) {
    static_cast<void>(reg.RegistrySetDWORD(name, value, true, true));
}

}  // namespace

CVekaPrpDevices::CVekaPrpDevices(std::string instanceId, ScnDialogRunner scn)
    : uikit::CPropertyPage(IDD_DEVICES, PageSpec()),
      m_strInstanceId(std::move(instanceId)),
      m_scn(std::move(scn)) {
    if (!m_scn)
        m_scn = [](const std::string& deviceId) {
            devices::CSCNDialog dialog(deviceId);
            static_cast<void>(uikit::RunModal(dialog));
        };
}

std::uint32_t CVekaPrpDevices::DeviceCount() const {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kApplicationKey, true)) return 0;
    const std::uint32_t count = QueryDword(reg, DeviceCountName(m_strInstanceId).c_str());
    static_cast<void>(reg.RegistryClose());
    return count;
}

void CVekaPrpDevices::ChangeDeviceCount(int by) {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kApplicationKey, true)) return;
    const std::string name = DeviceCountName(m_strInstanceId);
    const std::int64_t count = static_cast<std::int64_t>(QueryDword(reg, name.c_str())) + by;
    SetDword(reg, name.c_str(), count < 0 ? 0 : static_cast<std::uint32_t>(count));
    static_cast<void>(reg.RegistryClose());
}

void CVekaPrpDevices::AddRow(uikit::IControlPanel& panel, const std::string& name,
                             const std::string& type, bool enabled, const std::string& deviceId) {
    panel.AddRow(IDC_DEVICE_LIST, {name, type, enabled ? "Y" : "N", deviceId});
}

void CVekaPrpDevices::OnInitDialog(uikit::IControlPanel& panel) {
    const std::uint32_t limit = MaxDevices();
    CRegistry& reg = GlobalRegistry();
    for (std::uint32_t n = 1; n <= limit; ++n) {
        if (!reg.RegistryOpen(kApplicationKey + "\\" + DeviceKeyName(m_strInstanceId, n), false))
            continue;
        const std::string type = QueryString(reg, "Device Type");
        const std::string name = QueryString(reg, "Device Name");
        const bool enabled = QueryDword(reg, "Enabled") != 0;
        const std::string session = QueryString(reg, "Device Session");
        static_cast<void>(reg.RegistryClose());
        AddRow(panel, name, type, enabled, session);
    }
}

void CVekaPrpDevices::OnSetActive(uikit::IControlPanel& panel) {
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey, false)) static_cast<void>(reg.RegistryClose());
    if (CRegistryBase::AccessLevel() < CRegistryBase::ACCESS_FULL) {
        panel.Enable(IDC_ADD, false);
        panel.Enable(IDC_REMOVE, false);
    }
}

void CVekaPrpDevices::OnCommand(int id, uikit::IControlPanel& panel) {
    switch (id) {
        case IDC_ADD:
            OnAdd(panel);
            break;
        case IDC_PROPERTIES:
            OnProperties(panel);
            break;
        case IDC_REMOVE:
            OnRemove(panel);
            break;
        case IDC_SCN:
            OnScn(panel);
            break;
        case IDC_DEVICE_LIST: {
            const int row = panel.Selected(IDC_DEVICE_LIST);
            panel.Enable(IDC_SCN,
                         row >= 0 && IsScnPrinter(panel.RowText(IDC_DEVICE_LIST, row, kColumnId)));
            break;
        }
        default:
            break;
    }
}

void CVekaPrpDevices::OnDoubleClick(int id, uikit::IControlPanel& panel) {
    if (id == IDC_DEVICE_LIST) OnProperties(panel);
}

void CVekaPrpDevices::OnDestroy() {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kApplicationKey, true)) return;
    static_cast<void>(reg.RegistryDeleteKey(kTempKey, true, false));
    static_cast<void>(reg.RegistryClose());
}

bool CVekaPrpDevices::IsScnPrinter(const std::string& deviceId) {
    CRegistry& reg = GlobalRegistry();
    if (deviceId.empty() || !reg.RegistryOpen(kApplicationKey + "\\" + deviceId, false))
        return false;
    const std::string type = QueryString(reg, "Device Type");
    static_cast<void>(reg.RegistryClose());
    return type == kPrinterMitosaScn;
}

void CVekaPrpDevices::OnScn(uikit::IControlPanel& panel) {
    const int row = panel.Selected(IDC_DEVICE_LIST);
    if (row < 0) return;
    const std::string deviceId = panel.RowText(IDC_DEVICE_LIST, row, kColumnId);
    if (!IsScnPrinter(deviceId)) return;
    m_scn(deviceId);
    panel.Enable(IDC_SCN, false);
}

int CVekaPrpDevices::RunWizard(const std::string& deviceId,
                               const std::function<void(CVekaPrpAddPrp&)>& finished) {
    CVekaPrpAddPrp sheet(
        core::LoadVekaString(core::BrandStringId(core::BrandText::PropertiesCaption)), 0, deviceId);
    sheet.GetCompletePage().SetRouteName(deviceId);
    const int result = uikit::RunModal(sheet);
    if (result == uikit::ID_WIZFINISH) finished(sheet);
    return result;
}

void CVekaPrpDevices::OnAdd(uikit::IControlPanel& panel) {
    const std::uint32_t limit = MaxDevices();
    if (DeviceCount() >= limit) {
        static_cast<void>(StopBox(IDS_MAX_DEVICES));
        return;
    }
    std::string deviceId;
    CRegistry& reg = GlobalRegistry();
    for (std::uint32_t n = 1; n <= limit && deviceId.empty(); ++n) {
        const std::string id = DeviceKeyName(m_strInstanceId, n);
        if (reg.RegistryOpen(kApplicationKey + "\\" + id, false))
            static_cast<void>(reg.RegistryClose());
        else
            deviceId = id;
    }
    if (deviceId.empty()) {
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpdevices::DoAdd():", "Unable to locate a free Device Id");
        return;
    }
    const int result =
        RunWizard(deviceId, [&](CVekaPrpAddPrp& sheet) { DoAdd(deviceId, sheet, panel); });
    if (result == 0)
        TRACE_STRING(CTraceLog::LEVEL_ERROR, "CVekaPrpDevices::OnAdd(): PropSheet.DoModal()",
                     "Failed");
    else if (result != uikit::ID_WIZFINISH && result != uikit::IDCANCEL)
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaPrpDevices::OnAdd(): PropSheet.DoModal()",
                     "Invalid return %i", result);
}

void CVekaPrpDevices::OnProperties(uikit::IControlPanel& panel) {
    if (panel.RowCount(IDC_DEVICE_LIST) == 0) return;
    const int row = panel.Selected(IDC_DEVICE_LIST);
    if (row < 0) {
        static_cast<void>(StopBox(IDS_SELECT_DEVICE));
        return;
    }
    const std::string deviceId = panel.RowText(IDC_DEVICE_LIST, row, kColumnId);
    const int result = RunWizard(deviceId, [&](CVekaPrpAddPrp& sheet) {
        static_cast<void>(panel.DeleteRow(IDC_DEVICE_LIST, row));
        ChangeDeviceCount(-1);
        DoAdd(deviceId, sheet, panel);
    });
    if (result == 0)
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevices::OnProperties(): PropSheet.DoModal():", "Failed");
}

void CVekaPrpDevices::OnRemove(uikit::IControlPanel& panel) {
    if (panel.RowCount(IDC_DEVICE_LIST) == 0) return;
    const int row = panel.Selected(IDC_DEVICE_LIST);
    if (row < 0) {
        static_cast<void>(StopBox(IDS_SELECT_DEVICE));
        return;
    }
    if (StopBox(IDS_REMOVE_DEVICE, MB_OKCANCEL | MB_DEFBUTTON2) != uikit::IDOK) {
        panel.Select(IDC_DEVICE_LIST, -1);
        return;
    }
    RemoveDeviceRecords(panel.RowText(IDC_DEVICE_LIST, row, kColumnId), m_strInstanceId);
    if (!panel.DeleteRow(IDC_DEVICE_LIST, row))
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevices::OnRemove(): DeleteItem():", "Failed");
    if (Sheet()) Sheet()->CancelToClose();
}

void CVekaPrpDevices::DoAdd(const std::string& deviceId, CVekaPrpAddPrp& wizard,
                            uikit::IControlPanel& panel) {
    ChangeDeviceCount(+1);
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey, true)) {
        if (reg.RegistryCreateKey("\\" + deviceId, true)) WriteRecord(reg, deviceId, wizard);
        static_cast<void>(reg.RegistryClose());
    }
    const CVekaPrpDevice& device = wizard.GetDevicePage();
    WriteSessionAndRoute(deviceId, {device.GetLniata(), device.GetRemoteHost(),
                                    device.GetHostAddress(), device.GetIdleTimeout()});
    AddRow(panel, device.GetDeviceName(), device.GetDeviceType(), device.GetEnabled() != 0,
           deviceId);
    if (Sheet()) Sheet()->CancelToClose();
}

void CVekaPrpDevices::WriteRecord(CRegistry& reg, const std::string& deviceId,
                                  CVekaPrpAddPrp& wizard) {
    const CVekaPrpDevice& device = wizard.GetDevicePage();
    const std::string& type = device.GetDeviceType();
    SetString(reg, "Device Name", device.GetDeviceName());
    SetString(reg, "Device Type", type);
    SetString(reg, "Device Session", deviceId);
    SetString(reg, "Host", device.GetRemoteHost());
    SetDword(reg, "Enabled", static_cast<std::uint32_t>(device.GetEnabled()));

    if (type != kPassportReader) {
        const CVekaPrpExtedStyle& ext = wizard.GetExtedStylePage();
        if (type != kInterfaceQueue)
            SetDword(reg, "Answer Back", static_cast<std::uint32_t>(ext.GetAnswerBack()));
        SetDword(reg, "Insert Line Feed", static_cast<std::uint32_t>(ext.GetInsertLineFeed()));
        SetDword(reg, "Terminator Type", static_cast<std::uint32_t>(ext.GetTerminatorType()));
        SetDword(reg, "Final Line Feeds", ext.GetFinalLineFeeds());
        if (!ext.GetTerminatorField().empty())
            SetString(reg, "Terminator Field", ext.GetTerminatorField());
        // Written whole: a custom terminator may hold a zero byte.
        SetString(reg, "Terminator Data",
                  MakeTerminatorData(ext.GetTerminatorType(), ext.GetFinalLineFeeds(),
                                     ext.GetTerminatorField()));
    }

    if (CVekaPrpPort::IsPortType(type)) {
        const std::string& port = wizard.GetPortPage().GetSelectedPort();
        if (port.rfind("COM", 0) == 0) {
            const CVekaPrpPortCom& com = wizard.GetPortComPage();
            SetDword(reg, "Baud Rate", Number(com.GetBaudRate()));
            SetDword(reg, "Data Bits", Number(com.GetDataBits()));
            SetString(reg, "Emulation", "DTR");
            SetString(reg, "Flow Control", com.GetFlowControl());
            SetString(reg, "Parity", com.GetParity());
            SetString(reg, "Port", port);
            SetString(reg, "Protocol", com.GetProtocol());
            SetString(reg, "Stop Bits", com.GetStopBits());
            if (type == kPassportReader && com.GetPassportDataToFile() != 0) {
                const CVekaPrpPassport& passport = wizard.GetPassportPage();
                SetString(reg, "File Name",
                          PassportFileName(passport.GetLocation(), passport.GetFileName(),
                                           passport.GetExtension()));
            }
        } else {
            SetString(reg, "Port", port);
        }
        if (type == kPrinterMitosaHardcopy)
            SetString(reg, "Bin Choice", wizard.GetMitosaFormsPage().GetBinChoice());
    } else if (type == kFile) {
        const CVekaPrpFile& file = wizard.GetFilePage();
        SetString(reg, "File Location", file.GetFolder());
        if (file.GetFileType() == core::LoadVekaString(IDS_FILE_SINGLE)) {
            const CVekaPrpFileSngl& single = wizard.GetFileSnglPage();
            SetString(reg, "File Name", single.GetFileName());
            SetDword(reg, "Maximum File Size", Number(single.GetMaxFileSize()));
            SetDword(reg, "Multiple File Limit", 999);
            SetDword(reg, "Multiple Files", 0);
            SetDword(reg, "Single File Append",
                     single.GetIfExisting() == core::LoadVekaString(IDS_APPEND) ? 1 : 0);
            SetString(reg, "Single File Type", single.GetExtension());
        } else {
            const CVekaPrpFileMult& multiple = wizard.GetFileMultPage();
            SetString(reg, "File Name", multiple.GetFileName());
            SetDword(reg, "Maximum File Size", Number(multiple.GetMaxFileSize()));
            SetDword(reg, "Multiple File Limit", Number(multiple.GetMaxFiles()));
            SetDword(reg, "Multiple Files", 1);
            SetDword(reg, "Single File Append", 0);
            SetString(reg, "Single File Type", "000");
            SetDword(reg, "Extn. Type", static_cast<std::uint32_t>(multiple.GetExtensionKind()));
        }
    } else if (type == kInterfaceQueue) {
        wizard.GetInterfaceQueuePage().Save(reg);
    } else if (type == kQueue) {
        const CVekaPrpQueue& queue = wizard.GetQueuePage();
        SetString(reg, "Queue Name", queue.GetQueueName());
        SetDword(reg, "Column Offset", queue.GetColumnOffset());
    } else if (type == kSystem || type == kZeroziro) {
        const CVekaPrpSystem& printer =
            type == kSystem ? wizard.GetSystemPage() : wizard.GetSystemFFPage();
        SetString(reg, "Printer Name", printer.GetPrinterName());
        SetString(reg, "Font", printer.GetFont());
        SetString(reg, "Font Size", printer.GetFontSize());
        SetDword(reg, "Orientation", printer.GetOrientation());
        SetDword(reg, "MarginTop", printer.GetMarginTop());
        SetDword(reg, "MarginBottom", printer.GetMarginBottom());
        SetDword(reg, "MarginLeft", printer.GetMarginLeft());
        SetDword(reg, "MarginRight", printer.GetMarginRight());
    } else if (type == kPrinterTnvKdm || type == kPrinterKdm) {
        const CVekaPrpForm& form = wizard.GetFormPage();
        SetString(reg, "Device Alias", wizard.GetExtDevicesPage().GetAlias());
        SetString(reg, "Form", form.GetFormName());
        SetDword(reg, "FormType", form.GetFormType());
        SetDword(reg, "FFPresent", form.GetFormFeedBar());
    } else if (type == kPrinterAtb2Kdm) {
        SetString(reg, "Device Alias", wizard.GetExtDevicesPage().GetAlias());
    } else if (type == kNamedPipe) {
        SetString(reg, "Pipe Name", wizard.GetNamedPipePage().GetPipeName());
    } else {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevices::DoAdd():", "Unknown DeviceType=%s for DeviceId=%s",
                     type.c_str(), deviceId.c_str());
    }
}

}  // namespace wizard
