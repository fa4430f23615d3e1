#include "wizard/VekaPrpDevice.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "platform/Profile.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/PassportFlag.h"
#include "wizard/RouteRecords.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;

struct DeviceTypeRow {
    std::uint32_t nameId;
    const char* name;  // used when the string cannot be loaded
    std::uint32_t descriptionId;
};

constexpr DeviceTypeRow kDeviceTypes[CVekaPrpDevice::kTypeCount] = {
    {110, kPrinter, 61224},        {111, kPrinterAtb2, 61225},
    {112, kFile, 61226},           {113, kQueue, 61227},
    {114, kPassportReader, 61228}, {127, kPrinterTnvKdm, 61229},
    {128, kPrinterAtb2Kdm, 61230}, {129, kSystem, 61231},
    {118, kPrinterKdm, 61232},     {119, kAsyncMini, 61233},
    {122, kInterfaceQueue, 61234}, {123, kPrinterAtb2Airline, 61235},
    {136, kNamedPipe, 61236},      {137, kPrinterBagtag, 0},
    {61239, kPrinterMitosaScn, 0}, {61240, kPrinterMitosaHardcopy, 0},
    {61245, kZeroziro, 61246},
};

constexpr char kProfile[] = "VEKACFG.ini";
constexpr char kOfferedSection[] = "VEKADEVICES";

uikit::DialogSpec PageSpec() {
    using C = CVekaPrpDevice;
    return {"Device",
            0,
            0,
            {{0, ControlKind::Group, "Device"},
             {0, ControlKind::Label, "&Name:"},
             {C::IDC_DEVICE_NAME, ControlKind::Edit, "", true, C::kMaxText},
             {0, ControlKind::Label, "&Type:"},
             {C::IDC_DEVICE_TYPE, ControlKind::DropList, ""},
             {C::IDC_ENABLED, ControlKind::Check, "&Enabled"},
             {C::IDC_DESCRIPTION, ControlKind::Label, ""}}};
}

// True when VEKACFG.ini limits the types offered: its section "VEKADEVICES" has entries.
bool OfferingIsLimited() {
    char entries[4] = "";
    return platform::GetPrivateProfileSection(kOfferedSection, entries, sizeof entries, kProfile) >
           0;
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string WithoutLeadingBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

CVekaPrpDevice::CVekaPrpDevice() : CWizardPage(IDD_DEVICE, PageSpec()) {}

std::string CVekaPrpDevice::InstanceId() const {
    const std::string id = DeviceIdOf(m_strDeviceKey);
    const auto at = id.find("Device ");
    return at == std::string::npos ? std::string() : id.substr(0, at);
}

std::string CVekaPrpDevice::GetDeviceType(int index) {
    if (index < 0 || index >= kTypeCount) {
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevice::GetDeviceType(): LoadString():", "Out of bounds");
        return {};
    }
    const DeviceTypeRow& row = kDeviceTypes[index];
    std::string name = core::LoadVekaString(row.nameId);
    if (name.empty()) {
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevice::GetDeviceType(): LoadString():", "IDS_DEVICETYPE%i failed",
                     index);
        name = row.name;
    }
    if (!OfferingIsLimited() ||
        platform::GetPrivateProfileInt(kOfferedSection, name.c_str(), 2, kProfile) == 1)
        return name;

    // Not offered: the installation keeps no device of that type.
    const std::string instance = InstanceId();
    const std::uint32_t limit = MaxDevices();
    CRegistry& reg = GlobalRegistry();
    for (std::uint32_t n = 1; n <= limit; ++n) {
        const std::string id = DeviceKeyName(instance, n);
        if (!reg.RegistryOpen(kApplicationKey + "\\" + id, false)) continue;
        const std::string type = QueryString(reg, "Device Type");
        static_cast<void>(reg.RegistryClose());
        if (type == name) RemoveDeviceRecords(id, instance, "CVekaPrpDevice::GetDeviceType():");
    }
    return kNotFound;
}

std::uint32_t CVekaPrpDevice::GetDeviceTypeID(const std::string& typeName) {
    for (const DeviceTypeRow& row : kDeviceTypes)
        if (core::LoadVekaString(row.nameId) == typeName) return row.nameId;
    TRACE_STRING(CTraceLog::LEVEL_ERROR,
                 "CVekaPrpDevice::GetDeviceTypeID(): LoadString():", "Out of bounds");
    return 0;
}

std::uint32_t CVekaPrpDevice::GetDeviceDescriptionId(std::uint32_t typeId) {
    for (const DeviceTypeRow& row : kDeviceTypes)
        if (row.nameId == typeId && row.descriptionId != 0) return row.descriptionId;
    TRACE_STRING(CTraceLog::LEVEL_ERROR,
                 "CVekaPrpDevice::GetDeviceDescriptionId(): LoadString():", "Out of bounds");
    return 0;
}

void CVekaPrpDevice::LoadDeviceType(uikit::IControlPanel& panel) {
    std::vector<std::string> names;
    for (int i = 0; i < kTypeCount; ++i) {
        std::string name = GetDeviceType(i);
        if (name != kNotFound) names.push_back(std::move(name));
    }
    // The list is sorted, as its window sorts what is added.
    std::stable_sort(names.begin(), names.end(), LessNoCase);
    panel.ClearRows(IDC_DEVICE_TYPE);
    for (const std::string& name : names) panel.AddRow(IDC_DEVICE_TYPE, {name});
}

void CVekaPrpDevice::LoadExistingDevice(uikit::IControlPanel& panel) {
    if (m_strDeviceKey.empty()) return;
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
        m_strDeviceName = WithoutLeadingBlanks(QueryString(reg, "Device Name"));
        m_strDeviceType = QueryString(reg, "Device Type");
        if (m_strDeviceType != kPassportReader) {
            m_strRemoteHost = QueryString(reg, "Host");
            platform::DWORD enabled = 0;
            if (reg.RegistryQueryDWORD("Enabled", &enabled, true, false))
                m_nEnabled = enabled != 0 ? 1 : 0;
        }
        static_cast<void>(reg.RegistryClose());
    }
    if (m_strDeviceType != kPassportReader &&
        reg.RegistryOpen(kRoutesKey + m_strDeviceKey, false)) {
        const std::string provider = QueryString(reg, "Service Provider");
        if (provider == "ZEL") {
            m_strLniata = QueryString(reg, "Lniata");
            m_strHostAddress = QueryString(reg, "Server IP Address");
        } else if (provider == "ARLO") {
            m_strLniata = QueryString(reg, "LNIATA");
            m_strHostAddress = QueryString(reg, "Load Balancer Name");
            m_dwIdleTimeout = QueryDword(reg, "Idle Timeout", m_dwIdleTimeout);
        } else {
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaPrpDevicesChg::LoadExistingDevice():",
                         "Error: Unknown ServiceProvider %s", provider.c_str());
        }
        static_cast<void>(reg.RegistryClose());
    }
    ToControls(panel);
}

void CVekaPrpDevice::ToControls(uikit::IControlPanel& panel) const {
    panel.SetText(IDC_DEVICE_NAME, m_strDeviceName);
    // A drop-down list shows the first entry that begins with the text.
    if (!m_strDeviceType.empty())
        panel.Select(IDC_DEVICE_TYPE,
                     uikit::FindRowByPrefix(panel, IDC_DEVICE_TYPE, m_strDeviceType));
    panel.SetCheck(IDC_ENABLED, m_nEnabled != 0);
}

void CVekaPrpDevice::FromControls(const uikit::IControlPanel& panel) {
    m_strDeviceName = panel.GetText(IDC_DEVICE_NAME).substr(0, kMaxText);
    const int selected = panel.Selected(IDC_DEVICE_TYPE);
    m_strDeviceType = selected >= 0 ? panel.RowText(IDC_DEVICE_TYPE, selected, 0) : std::string();
    m_nEnabled = panel.GetCheck(IDC_ENABLED) ? 1 : 0;
}

void CVekaPrpDevice::TrimName() {
    m_strDeviceName = WithoutLeadingBlanks(m_strDeviceName);
}

void CVekaPrpDevice::ShowDescription(uikit::IControlPanel& panel) {
    const int selected = panel.Selected(IDC_DEVICE_TYPE);
    const std::string type = selected >= 0 ? panel.RowText(IDC_DEVICE_TYPE, selected, 0) : "";
    const std::uint32_t description = GetDeviceDescriptionId(GetDeviceTypeID(type));
    panel.SetText(IDC_DESCRIPTION, description != 0 ? core::LoadVekaString(description) : "");
}

void CVekaPrpDevice::OnInitDialog(uikit::IControlPanel& panel) {
    LoadDeviceType(panel);
    m_nEnabled = 1;
    LoadExistingDevice(panel);
    if (panel.RowCount(IDC_DEVICE_TYPE) > 0 && panel.Selected(IDC_DEVICE_TYPE) < 0)
        panel.Select(IDC_DEVICE_TYPE, 0);
    ShowDescription(panel);
    ToControls(panel);
}

void CVekaPrpDevice::OnSetActive(uikit::IControlPanel& panel) {
    Sheet()->SetWizardButtons(uikit::PSWIZB_NEXT);
    TrimName();
    ToControls(panel);
}

bool CVekaPrpDevice::OnKillActive(uikit::IControlPanel& panel) {
    Sheet()->SetWizardButtons(uikit::PSWIZB_BACK | uikit::PSWIZB_NEXT);
    FromControls(panel);
    return true;
}

void CVekaPrpDevice::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id != IDC_DEVICE_TYPE) return;
    if (!panel.GetText(IDC_DEVICE_NAME).empty()) FromControls(panel);
    ShowDescription(panel);
}

int CVekaPrpDevice::OnWizardBack(uikit::IControlPanel& /*panel*/) {
    return 0;
}

bool CVekaPrpDevice::IsNameTaken() const {
    const std::string own = DeviceIdOf(m_strDeviceKey);
    const std::string instance = InstanceId();
    const std::uint32_t limit = MaxDevices();
    CRegistry& reg = GlobalRegistry();
    for (std::uint32_t n = 1; n <= limit; ++n) {
        const std::string id = DeviceKeyName(instance, n);
        if (id == own || !reg.RegistryOpen(kApplicationKey + "\\" + id, false)) continue;
        const std::string name = QueryString(reg, "Device Name");
        static_cast<void>(reg.RegistryClose());
        if (name == m_strDeviceName) return true;
    }
    return false;
}

int CVekaPrpDevice::OnWizardNext(uikit::IControlPanel& panel) {
    Sheet()->ClearHistory();
    PushThisPage();
    FromControls(panel);
    TrimName();
    if (m_strDeviceName.empty()) {
        static_cast<void>(StopBox(IDS_NAME_REQUIRED));
        return kStay;
    }
    if (IsNameTaken()) {
        static_cast<void>(StopBox(IDS_NAME_TAKEN));
        return kStay;
    }
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey, true)) {
        static_cast<void>(reg.RegistryDeleteKey(kTempKey, true, false));
        if (reg.RegistryCreateKey(kTempKey, true))
            static_cast<void>(reg.RegistrySetString("Device Type", m_strDeviceType, true, true));
        static_cast<void>(reg.RegistryClose());
    }
    // The route page lets a passport reader pass; any other type is configured there, even
    // when an earlier run of the wizard configured a passport reader.
    SetPassportReaderFlag(m_strDeviceType == kPassportReader);
    const int next = NextAfterDeviceType(m_strDeviceType);
    if (next == kStay)
        TRACE_STRING(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpDevice::OnWizardNext():", "Selection not valid");
    return next;
}

}  // namespace wizard
