#include "wizard/VekaPrpQueue.h"

#include "core/Registry.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "devices/EnumPrinters.h"
#include "wizard/DataExchange.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using C = CVekaPrpQueue;

constexpr int kCharWidth = 7;  // pixels per character of the list's font

// A column as wide as its sample text and 10 pixels more.
uikit::ListColumn Column(std::uint32_t titleId, const char* idName, const char* sample) {
    const std::string title = core::LoadVekaString(titleId);
    if (title.empty())
        TRACE_FORMAT(CTraceLog::LEVEL_ERROR,
                     "CVekaPrpQueue::OnInitDialog(): LoadString():", "%s failed", idName);
    return {title, static_cast<int>(std::char_traits<char>::length(sample)) * kCharWidth + 10};
}

uikit::DialogSpec PageSpec() {
    using uikit::ControlKind;
    uikit::ControlSpec list{C::IDC_QUEUES, ControlKind::List, ""};
    list.columns = {Column(IDS_QUEUE_NAME, "IDS_NAME", "XXXXXXXXXXXXXXXXXXXX "),
                    Column(IDS_QUEUE_PORT, "IDS_PORT", "XXXXXXXXXXXXXXX ")};
    return {"Queue",
            0,
            0,
            {{0, ControlKind::Label, "Selected:"},
             {C::IDC_SELECTED, ControlKind::Edit, ""},
             {0, ControlKind::Label, "&Available Queues:"},
             list,
             {0, ControlKind::Label, "A queue may be assigned to multiple devices."},
             {0, ControlKind::Label, "Column Offset"},
             {C::IDC_COLUMN_OFFSET, ControlKind::Edit, ""}}};
}

}  // namespace

CVekaPrpQueue::CVekaPrpQueue() : CWizardPage(IDD_QUEUE, PageSpec()) {}

void CVekaPrpQueue::OnInitDialog(uikit::IControlPanel& panel) {
    LoadExistingDevice();
    LoadQueues(panel);
    panel.SetText(IDC_SELECTED, m_strQueue);
    panel.SetText(IDC_COLUMN_OFFSET, Decimal(m_dwColumnOffset));
}

void CVekaPrpQueue::LoadExistingDevice() {
    CRegistry& reg = GlobalRegistry();
    if (m_strDeviceKey.empty() || !reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false))
        return;
    if (QueryString(reg, "Device Type") == kQueue) {
        m_strQueue = QueryString(reg, "Queue Name");
        m_dwColumnOffset = QueryDword(reg, "Column Offset");
    }
    static_cast<void>(reg.RegistryClose());
}

void CVekaPrpQueue::LoadQueues(uikit::IControlPanel& panel) const {
    panel.ClearRows(IDC_QUEUES);
    devices::CEnumPrinters printers;
    printers.LoadQueueList();
    for (std::size_t i = 0; i < printers.GetCount(); ++i) {
        const std::string name = printers.GetNext();
        const int before = panel.RowCount(IDC_QUEUES);
        panel.AddRow(IDC_QUEUES, {name, ""});
        if (panel.RowCount(IDC_QUEUES) != before + 1)
            TRACE_FORMAT(CTraceLog::LEVEL_ERROR, "CVekaPrpQueue::OnInitDialog(): InsertItem():",
                         "InsertItem(%i, %s) failed", before, name.c_str());
    }
}

void CVekaPrpQueue::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id != IDC_QUEUES) return;
    const int row = panel.Selected(IDC_QUEUES);
    if (row < 0) return;
    // Only the queue changes: a column offset typed but not yet taken stays as typed.
    m_strQueue = panel.RowText(IDC_QUEUES, row, 0);
    panel.SetText(IDC_SELECTED, m_strQueue);
}

bool CVekaPrpQueue::FromControls(uikit::IControlPanel& panel) {
    std::uint32_t offset = 0;
    if (!ExchangeNumber(panel, IDC_COLUMN_OFFSET, 0, kMaxColumnOffset, offset)) return false;
    m_strQueue = panel.GetText(IDC_SELECTED);
    m_dwColumnOffset = offset;
    return true;
}

bool CVekaPrpQueue::OnKillActive(uikit::IControlPanel& panel) {
    return FromControls(panel);
}

int CVekaPrpQueue::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    if (!FromControls(panel)) return kStay;
    if (m_strQueue.empty()) {
        static_cast<void>(StopBox(IDS_QUEUE_REQUIRED));
        return kStay;
    }
    return NextAfter(IDD_QUEUE);
}

}  // namespace wizard
