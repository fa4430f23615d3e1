#include "wizard/VekaPrpForm.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "formjet/Formjet.h"
#include "wizard/DataExchange.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

// A form the device manager must hold: its texts and its numbers from field 3 to field 19.
struct FormSpec {
    const char* name;
    const char* prompt;
    const char* description;
    std::uint32_t numbers[17];
};

// The ticket printer's form, then the blank and form-feed-bar forms of every form printer.
constexpr FormSpec kTicketForm = {
    "BSP-DE/CH/FR",
    "DDD",
    "DD",
    {8, 85, 85, 370, 4800, 3500, 2, 2, 0, 0, 0, 66, 4135, 375, 1, 0, 0}};
constexpr FormSpec kPaperForms[] = {
    {"A4 Blank Manual",
     "Insert    A4 Blank",
     "A4 European size blank paper for Manual bin",
     {4, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 68, 640, 0, 0, 0, 0}},
    {"A4 Blank Continuous",
     "   ",
     "A4 European size blank paper for Continuous bin",
     {8, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 68, 640, 0, 0, 0, 0}},
    {"A4 Blank Upper Feeder",
     "   ",
     "A4 European size blank paper for Upper Feeder bin",
     {3, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 68, 640, 0, 0, 0, 0}},
    {"8.5x11 Blank Manual",
     "Insert    BlankPaper",
     "8.5x11 US size blank paper for Manual bin",
     {4, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 63, 640, 0, 0, 0, 0}},
    {"8.5x11 Blank Continuous",
     "Insert    BlankPaper",
     "8.5x11 US size blank paper for Continuous bin",
     {8, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 63, 640, 0, 0, 0, 0}},
    {"8.5x11 Blank Upper Feeder",
     "   ",
     "8.5x11 US size blank paper for Upper Feeder bin",
     {3, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 63, 640, 0, 0, 0, 0}},
    {"8.5x11 FF Bar",
     "   ",
     "8.5x11 FF Bar",
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 640, 0, 0, 1, 0}},
    {"A4 FF Bar", "   ", "A4 FF Bar", {0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 640, 0, 0, 1, 0}},
};
constexpr int kFirstNumber = 3;
constexpr int kFormTypeField = 4;
constexpr int kFormFeedBarField = 18;

uikit::DialogSpec PageSpec() {
    using uikit::ControlKind;
    return {"Form",
            0,
            0,
            {{0, ControlKind::Label, "&Select Form:"},
             {CVekaPrpForm::IDC_FORM, ControlKind::DropList, ""}}};
}

void LogFailed(const char* label) {
    TRACE_STRING(CTraceLog::LEVEL_ERROR, label, "failed");
}

// A failure of the library with its code and text.
void LogLibraryError(const char* label) {
    const std::uint32_t code = FormjetGetLastError();
    char text[256] = "";
    static_cast<void>(FormjetFormatMessage(code, text, sizeof text));
    TRACE_FORMAT(CTraceLog::LEVEL_ERROR, label, "(%lu) %s", static_cast<unsigned long>(code), text);
}

// A buffer for the library's records, aligned for the pointers they hold.
class RecordBuffer {
public:
    explicit RecordBuffer(std::size_t size)
        : m_words((size + sizeof(std::uintptr_t) - 1) / sizeof(std::uintptr_t)), m_size(size) {}
    void* Data() noexcept { return m_words.data(); }
    [[nodiscard]] std::uint32_t Size() const noexcept { return static_cast<std::uint32_t>(m_size); }

private:
    std::vector<std::uintptr_t> m_words;
    std::size_t m_size;
};

// The record of a form into `record`; false when the form cannot be read.
bool GetForm(FORMJET_HANDLE printer, const std::string& name, std::size_t extra,
             FORMJET_FORM_RECORD& record) {
    std::uint32_t needed = 0;
    static_cast<void>(PrinterGetForm(printer, name.c_str(), nullptr, 0, &needed));
    RecordBuffer buffer(needed == 0 ? 200 : std::size_t{needed} + extra);
    if (buffer.Size() < sizeof record ||
        !PrinterGetForm(printer, name.c_str(), buffer.Data(), buffer.Size(), &needed))
        return false;
    std::memcpy(&record, buffer.Data(), sizeof record);
    return true;
}

// Adds the form when the device manager does not hold it yet.
void EnsureForm(FORMJET_HANDLE printer, const FormSpec& form) {
    FORMJET_FORM_RECORD record{};
    if (GetForm(printer, form.name, 0, record)) return;
    LogLibraryError("CVekaPrpForm::LoadForm(): PrinterGetForm Creating Form BSP_DE");
    record = FORMJET_FORM_RECORD{form.name, form.prompt, form.description, {}};
    for (int field = kFirstNumber; field < 20; ++field)
        record.dwField[field] = form.numbers[field - kFirstNumber];
    if (!PrinterAddForm(printer, &record, 1))
        LogLibraryError("CVekaPrpForm::LoadForm(): PrinterAddForm Creating Form BSP_DE");
}

// The names of the device manager's forms, as it lists them.
std::vector<std::string> EnumForms(FORMJET_HANDLE printer) {
    std::uint32_t needed = 0;
    std::uint32_t count = 0;
    static_cast<void>(PrinterEnumForms(printer, nullptr, 0, &needed, &count));
    if (needed == 0) {
        LogFailed("CVekaPrpForm::LoadForm(): PrinterEnumForms()_1:");
        return {};
    }
    RecordBuffer buffer(std::size_t{needed} + 4);
    count = 0;
    if (!PrinterEnumForms(printer, buffer.Data(), buffer.Size(), &needed, &count)) {
        TRACE_STRING(CTraceLog::LEVEL_ERROR, "CVekaPrpForm::LoadForm(): PrinterEnumForms()_2:",
                     "Error in PrinterEnumForms");
        return {};
    }
    std::vector<std::string> names;
    const std::size_t fits = buffer.Size() / sizeof(const char*);
    const auto* pointers = static_cast<const char* const*>(buffer.Data());
    for (std::size_t i = 0; i < count && i < fits; ++i)
        if (pointers[i] != nullptr) names.emplace_back(pointers[i]);
    return names;
}

// The device manager's printer named by the scratch key's alias; null when it does not open.
FORMJET_HANDLE OpenAliasPrinter(std::string& deviceType) {
    std::string alias;
    CRegistry& reg = GlobalRegistry();
    if (reg.RegistryOpen(kApplicationKey + kTempKey, false)) {
        deviceType = QueryString(reg, "Device Type");
        alias = QueryString(reg, "Device Alias");
        static_cast<void>(reg.RegistryClose());
    }
    FORMJET_HANDLE printer = nullptr;
    if (!PrinterOpen(alias.c_str(), &printer)) {
        LogFailed("CVekaPrpForm::LoadForm(): PrinterOpen():");
        return nullptr;
    }
    return printer;
}

void ClosePrinter(FORMJET_HANDLE printer) {
    if (!PrinterClose(printer)) LogFailed("CVekaPrpForm::LoadForm(): PrinterClose():");
}

}  // namespace

CVekaPrpForm::CVekaPrpForm() : CWizardPage(IDD_FORM, PageSpec()) {}

void CVekaPrpForm::OnInitDialog(uikit::IControlPanel& /*panel*/) {
    LoadExistingForm();
}

void CVekaPrpForm::OnSetActive(uikit::IControlPanel& panel) {
    LoadForm(panel);
    LoadExistingForm();
}

void CVekaPrpForm::LoadExistingForm() {
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false))
        return;
    const std::string type = QueryString(reg, "Device Type");
    if (type == kPrinterTnvKdm || type == kPrinterKdm) m_strForm = QueryString(reg, "Form");
    static_cast<void>(reg.RegistryClose());
}

void CVekaPrpForm::LoadForm(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_FORM);
    std::string type;
    // Without the printer the device manager gives no forms: the list stays empty.
    if (FORMJET_HANDLE printer = OpenAliasPrinter(type)) {
        if (type == kPrinterTnvKdm) EnsureForm(printer, kTicketForm);
        if (type == kPrinterTnvKdm || type == kPrinterKdm)
            for (const FormSpec& form : kPaperForms) EnsureForm(printer, form);
        for (const std::string& name : EnumForms(printer)) {
            const int before = panel.RowCount(IDC_FORM);
            panel.AddRow(IDC_FORM, {name});
            if (panel.RowCount(IDC_FORM) != before + 1)
                LogFailed("CVekaPrpForm::LoadForm(): pComboBox->AddString():");
        }
        ClosePrinter(printer);
    }
    if (!m_strForm.empty()) {
        SelectListText(panel, IDC_FORM, m_strForm);
    } else {
        panel.Select(IDC_FORM, 0);
        m_strForm = ListText(panel, IDC_FORM);
    }
}

bool CVekaPrpForm::OnKillActive(uikit::IControlPanel& panel) {
    m_strForm = ListText(panel, IDC_FORM);
    return true;
}

int CVekaPrpForm::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    m_strForm = ListText(panel, IDC_FORM);
    // A form whose record cannot be read (none chosen, or gone meanwhile) has no type and
    // no form-feed bar.
    m_dwFormType = 0;
    m_dwFormFeedBar = 0;
    std::string type;
    if (FORMJET_HANDLE printer = OpenAliasPrinter(type)) {
        FORMJET_FORM_RECORD record{};
        if (GetForm(printer, m_strForm, 4, record)) {
            m_dwFormType = record.dwField[kFormTypeField];
            m_dwFormFeedBar = record.dwField[kFormFeedBarField];
        } else {
            LogLibraryError("CVekaPrpForm::LoadForm(): PrinterGetForm Creating Form BSP_DE");
        }
        ClosePrinter(printer);
    }
    return NextAfter(IDD_FORM);
}

int CVekaPrpForm::OnWizardBack(uikit::IControlPanel& /*panel*/) {
    return 0;
}

}  // namespace wizard
