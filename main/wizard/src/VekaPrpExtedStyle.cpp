#include "wizard/VekaPrpExtedStyle.h"

#include <initializer_list>

#include "core/Registry.h"
#include "wizard/DataExchange.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/VekaPrpAddPrp.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using uikit::ControlKind;
using C = CVekaPrpExtedStyle;

// The radio buttons in the order whose index, plus 1, is the stored terminator type.
constexpr int kRadios[] = {C::IDC_FORM_FEED, C::IDC_NO_FORM_FEED, C::IDC_LINE_FEEDS, C::IDC_CUSTOM};
constexpr int kControls[] = {C::IDC_INSERT_LINE_FEED, C::IDC_ANSWER_BACK,      C::IDC_FORM_FEED,
                             C::IDC_NO_FORM_FEED,     C::IDC_LINE_FEEDS,       C::IDC_CUSTOM,
                             C::IDC_TERMINATOR_FIELD, C::IDC_FINAL_LINE_FEEDS, C::IDC_HINT};
// A stored count of this or more is no count the page gives.
constexpr std::uint32_t kFinalLineFeedsLimit = 67;

uikit::DialogSpec PageSpec() {
    return {
        "Device Extended Settings",
        0,
        0,
        {{C::IDC_INSERT_LINE_FEED, ControlKind::Check, "&Insert line feed after carriage return"},
         {C::IDC_ANSWER_BACK, ControlKind::Check, "&PrinterATB2/Air with answerback"},
         {0, ControlKind::Group, "Termination Block Segment"},
         {C::IDC_FORM_FEED, ControlKind::Radio, "Insert &form feed"},
         {C::IDC_NO_FORM_FEED, ControlKind::Radio, "&Disable form feed"},
         {C::IDC_LINE_FEEDS, ControlKind::Radio, "Number of &line feeds after message"},
         {C::IDC_FINAL_LINE_FEEDS, ControlKind::Edit, ""},
         {C::IDC_CUSTOM, ControlKind::Radio, "&Custom Terminator"},
         {C::IDC_TERMINATOR_FIELD, ControlKind::Edit, ""},
         {C::IDC_HINT, ControlKind::Label, "~xx (hex value). Ex : ~0D is CR, ~0A is linefeed."}}};
}

bool IsOneOf(const std::string& type, std::initializer_list<const char*> types) {
    for (const char* t : types)
        if (type == t) return true;
    return false;
}

}  // namespace

CVekaPrpExtedStyle::CVekaPrpExtedStyle() : CWizardPage(IDD_EXTED_STYLE, PageSpec()) {}

void CVekaPrpExtedStyle::OnInitDialog(uikit::IControlPanel& /*panel*/) {
    m_nInsertLineFeed = 1;
    m_nTerminatorType = 1;
    m_dwFinalLineFeeds = 0;
    m_nAnswerBack = 0;
    m_strField.clear();
}

void CVekaPrpExtedStyle::OnSetActive(uikit::IControlPanel& panel) {
    CRegistry& reg = GlobalRegistry();
    const bool exists =
        !m_strDeviceKey.empty() && reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false);
    if (exists) static_cast<void>(reg.RegistryClose());
    // The type and the interface queue's format may have changed on the pages before since
    // the last visit: the enabling follows them on every visit.
    m_strDeviceType = ScratchDeviceType();
    if (!exists) ApplyDefaultTrailer();
    if (m_nFirstActivation != 0) {
        m_nFirstActivation = 0;
        LoadExistingDevice();
    }
    ApplyEnabling(panel);
    ToControls(panel);
}

void CVekaPrpExtedStyle::ApplyDefaultTrailer() {
    static constexpr char kFileTrailer[] = "~0D~0A***EOM***~0D~0A~0C";
    static constexpr char kTrailer[] = "~0D~0A***EOM***~0C~0D~0A";
    if (m_strDeviceType == kFile) {
        m_strField = kFileTrailer;
        m_nTerminatorType = 1;
    } else if (m_strDeviceType == kInterfaceQueue) {
        m_strField = kTrailer;
        m_nTerminatorType = 4;
    } else if (IsOneOf(m_strDeviceType, {kSystem, kPrinter, kPrinterAtb2})) {
        m_strField = kTrailer;
        m_nTerminatorType = 1;
    } else {
        m_strField.clear();
        m_nTerminatorType = 1;
    }
}

void CVekaPrpExtedStyle::LoadExistingDevice() {
    if (m_strDeviceType == kPassportReader) {
        m_nTerminatorType = 0;
        return;
    }
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false))
        return;
    platform::DWORD value = 0;
    if (reg.RegistryQueryDWORD("Insert Line Feed", &value, true, false))
        m_nInsertLineFeed = value != 0 ? 1 : 0;
    if (m_strDeviceType == kPrinterAtb2Airline &&
        reg.RegistryQueryDWORD("Answer Back", &value, true, false))
        m_nAnswerBack = value != 0 ? 1 : 0;
    if (reg.RegistryQueryDWORD("Terminator Type", &value, true, false))
        m_nTerminatorType = static_cast<int>(value);
    if (reg.RegistryQueryDWORD("Final Line Feeds", &value, true, false))
        m_dwFinalLineFeeds = value >= kFinalLineFeedsLimit ? 0 : value;
    static_cast<void>(reg.RegistryQueryString("Terminator Field", &m_strField, true, false));
    static_cast<void>(reg.RegistryClose());
}

int CVekaPrpExtedStyle::InterfaceQueueFormat() const {
    auto* sheet = dynamic_cast<CVekaPrpAddPrp*>(Sheet());
    return sheet != nullptr ? sheet->GetInterfaceQueuePage().GetFileFormat() : 0;
}

void CVekaPrpExtedStyle::ApplyEnabling(uikit::IControlPanel& panel) {
    for (const int id : kControls) panel.Enable(id, id != IDC_ANSWER_BACK);
    if (m_strDeviceType == kPassportReader) {
        for (const int id : kControls) panel.Enable(id, false);
    } else {
        const bool lineFeeds = IsOneOf(m_strDeviceType, {kPrinter, kPrinterKdm, kPrinterBagtag});
        panel.Enable(IDC_LINE_FEEDS, lineFeeds);
        panel.Enable(IDC_FINAL_LINE_FEEDS, lineFeeds);
        if (m_strDeviceType == kPrinterAtb2Airline) panel.Enable(IDC_ANSWER_BACK, true);
        if (m_strDeviceType == kInterfaceQueue) {
            switch (InterfaceQueueFormat()) {
                case 0:
                    m_nInsertLineFeed = 0;
                    break;
                case 1:
                    m_nInsertLineFeed = 0;
                    panel.Enable(IDC_INSERT_LINE_FEED, false);
                    break;
                case 3:
                case 4:
                    panel.Enable(IDC_INSERT_LINE_FEED, false);
                    break;
                default:
                    break;
            }
        }
    }
    ApplyTerminatorType(panel);
}

void CVekaPrpExtedStyle::ApplyTerminatorType(uikit::IControlPanel& panel) {
    int chosen = IDC_FORM_FEED;
    bool lineFeeds = false;
    bool custom = false;
    switch (m_nTerminatorType) {
        case 2:
            chosen = IDC_NO_FORM_FEED;
            break;
        case 3:
            chosen = IDC_LINE_FEEDS;
            lineFeeds = true;
            break;
        case 4:
            chosen = IDC_CUSTOM;
            custom = true;
            break;
        default:
            break;
    }
    panel.Enable(IDC_FINAL_LINE_FEEDS, lineFeeds);
    panel.Enable(IDC_TERMINATOR_FIELD, custom);
    for (const int radio : kRadios)
        if (panel.IsEnabled(radio)) panel.SetCheck(radio, radio == chosen);
    panel.Enable(IDC_HINT, m_nTerminatorType == 4);
}

void CVekaPrpExtedStyle::OnCommand(int id, uikit::IControlPanel& panel) {
    for (int i = 0; i < 4; ++i)
        if (id == kRadios[i]) {
            m_nTerminatorType = i + 1;
            ApplyTerminatorType(panel);
        }
}

void CVekaPrpExtedStyle::ToControls(uikit::IControlPanel& panel) const {
    panel.SetCheck(IDC_INSERT_LINE_FEED, m_nInsertLineFeed != 0);
    panel.SetCheck(IDC_ANSWER_BACK, m_nAnswerBack != 0);
    panel.SetText(IDC_TERMINATOR_FIELD, m_strField);
    panel.SetText(IDC_FINAL_LINE_FEEDS, Decimal(m_dwFinalLineFeeds));
}

bool CVekaPrpExtedStyle::FromControls(uikit::IControlPanel& panel) {
    // A count the operator cannot change (its edit is off) is kept as loaded, even when
    // the store held one beyond the range: the page must not hold him there.
    if (panel.IsEnabled(IDC_FINAL_LINE_FEEDS) &&
        !ExchangeNumber(panel, IDC_FINAL_LINE_FEEDS, 0, kMaxFinalLineFeeds, m_dwFinalLineFeeds))
        return false;
    m_nInsertLineFeed = panel.GetCheck(IDC_INSERT_LINE_FEED) ? 1 : 0;
    m_nAnswerBack = panel.GetCheck(IDC_ANSWER_BACK) ? 1 : 0;
    m_strField = panel.GetText(IDC_TERMINATOR_FIELD);
    return true;
}

bool CVekaPrpExtedStyle::OnKillActive(uikit::IControlPanel& panel) {
    return FromControls(panel);
}

void CVekaPrpExtedStyle::Save(const uikit::IControlPanel& panel) {
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, true)) return;
    std::uint32_t type = 0;
    for (int i = 0; i < 4 && type == 0; ++i)
        if (panel.GetCheck(kRadios[i])) type = static_cast<std::uint32_t>(i + 1);
    static_cast<void>(reg.RegistrySetDWORD(
        "Insert Line Feed", static_cast<std::uint32_t>(m_nInsertLineFeed), true, true));
    static_cast<void>(
        reg.RegistrySetDWORD("Answer Back", static_cast<std::uint32_t>(m_nAnswerBack), true, true));
    static_cast<void>(reg.RegistrySetDWORD("Terminator Type", type, true, true));
    static_cast<void>(reg.RegistrySetString("Terminator Field", m_strField, true, true));
    static_cast<void>(reg.RegistrySetDWORD("Final Line Feeds", m_dwFinalLineFeeds, true, true));
    static_cast<void>(reg.RegistryClose());
}

int CVekaPrpExtedStyle::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    if (m_strDeviceType != kPassportReader) {
        if (!FromControls(panel)) return kStay;
        Save(panel);
    }
    return NextAfterExtendedSettings(m_strDeviceType);
}

}  // namespace wizard
