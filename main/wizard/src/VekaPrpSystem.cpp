#include "wizard/VekaPrpSystem.h"

#include <utility>

#include "core/Registry.h"
#include "devices/EnumPrinters.h"
#include "spooler/Spooler.h"
#include "wizard/DataExchange.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using C = CVekaPrpSystem;

// The sizes offered, in points.
constexpr const char* kFontSizes[] = {"8",  "9",  "10", "11", "12", "14", "16", "18",
                                      "20", "22", "24", "26", "28", "36", "48", "72"};
// A printer name of this length or more does not fit the name the device keeps.
constexpr std::size_t kMaxPrinterName = 259;

uikit::DialogSpec PageSpec(const char* caption) {
    using uikit::ControlKind;
    return {caption,
            0,
            0,
            {{0, ControlKind::Label, "Printer:"},
             {C::IDC_PRINTER, ControlKind::DropList, ""},
             {C::IDC_PAGE_SETUP, ControlKind::Button, "Page Setup..."},
             {0, ControlKind::Label, "Font:"},
             {C::IDC_FONT, ControlKind::DropList, ""},
             {0, ControlKind::Label, "Size:"},
             {C::IDC_FONT_SIZE, ControlKind::DropList, ""}}};
}

// A list's selected text into `out`, when it has a selection.
void TakeSelected(const uikit::IControlPanel& panel, int id, std::string& out) {
    if (panel.Selected(id) >= 0) out = ListText(panel, id);
}

}  // namespace

CVekaPrpSystem::CVekaPrpSystem(int templateId, const char* caption, const char* deviceType)
    : CWizardPage(templateId, PageSpec(caption)), m_pszDeviceType(deviceType) {}

std::string CVekaPrpSystem::DefaultPrinter() {
    std::string name = spooler::Spooler().DefaultQueue();
    if (name.size() >= kMaxPrinterName) name.clear();
    return name;
}

void CVekaPrpSystem::OnInitDialog(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_FONT);
    for (const std::string& family : uikit::FontFamilies()) panel.AddRow(IDC_FONT, {family});
    panel.ClearRows(IDC_FONT_SIZE);
    for (const char* size : kFontSizes) panel.AddRow(IDC_FONT_SIZE, {size});
    m_strPrinter = DefaultPrinter();
    LoadExistingDevice();
    panel.ClearRows(IDC_PRINTER);
    devices::CEnumPrinters printers;
    printers.LoadQueueList();
    for (std::size_t i = 0; i < printers.GetCount(); ++i)
        panel.AddRow(IDC_PRINTER, {printers.GetNext()});
    const auto select = [&panel](int id, const std::string& text) {
        panel.Select(id, text.empty() ? -1 : uikit::FindRowByPrefix(panel, id, text));
    };
    select(IDC_PRINTER, m_strPrinter);
    select(IDC_FONT, m_strFont);
    select(IDC_FONT_SIZE, m_strFontSize);
}

void CVekaPrpSystem::LoadExistingDevice() {
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false))
        return;
    if (QueryString(reg, "Device Type") == m_pszDeviceType) {
        // A text the device does not have keeps the new device's.
        for (const auto& [name, text] :
             {std::pair{"Printer Name", &m_strPrinter}, std::pair{"Font", &m_strFont},
              std::pair{"Font Size", &m_strFontSize}})
            if (std::string stored = QueryString(reg, name); !stored.empty())
                *text = std::move(stored);
        m_page.orientation = QueryDword(reg, "Orientation", m_page.orientation);
        m_page.marginTop = QueryDword(reg, "MarginTop", m_page.marginTop);
        m_page.marginBottom = QueryDword(reg, "MarginBottom", m_page.marginBottom);
        m_page.marginLeft = QueryDword(reg, "MarginLeft", m_page.marginLeft);
        m_page.marginRight = QueryDword(reg, "MarginRight", m_page.marginRight);
    }
    static_cast<void>(reg.RegistryClose());
}

void CVekaPrpSystem::OnCommand(int id, uikit::IControlPanel& /*panel*/) {
    if (id == IDC_PAGE_SETUP) uikit::RunPageSetup(m_page);
}

void CVekaPrpSystem::FromControls(const uikit::IControlPanel& panel) {
    m_strPrinter = ListText(panel, IDC_PRINTER);
    TakeSelected(panel, IDC_FONT, m_strFont);
    TakeSelected(panel, IDC_FONT_SIZE, m_strFontSize);
}

bool CVekaPrpSystem::OnKillActive(uikit::IControlPanel& panel) {
    FromControls(panel);
    return true;
}

int CVekaPrpSystem::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    FromControls(panel);
    if (m_strPrinter.empty()) {
        static_cast<void>(StopBox(IDS_PRINTER_REQUIRED));
        return kStay;
    }
    return NextAfter(TemplateId());
}

}  // namespace wizard
