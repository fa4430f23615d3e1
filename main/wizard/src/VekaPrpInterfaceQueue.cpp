#include "wizard/VekaPrpInterfaceQueue.h"

#include <algorithm>

#include "core/Registry.h"
#include "wizard/FolderSelectDialog.h"
#include "wizard/Folders.h"
#include "wizard/Messages.h"
#include "wizard/PageSequence.h"
#include "wizard/PathExchange.h"
#include "wizard/Store.h"
#include "wizard/WizardIds.h"

namespace wizard {

namespace {

using C = CVekaPrpInterfaceQueue;

constexpr const char* kQueueNumbers[] = {"<None>", "30", "27"};
constexpr const char* kQueueNames[] = {"", "\\KBO\\@Trevo30", "\\KBO\\@Trevo27"};
constexpr const char* kFileFormats[] = {
    "QWORK.SF   [LEGACY]", "     *.PNR       [IQR]", "     *.FIL          [IQR w/ CRLF]",
    " INP.FIL         [DEDUZI]", " INP.FIL         [TREVO Quick]"};
constexpr const char kWorkFile[] = "\\QWORK.SF";

uikit::DialogSpec PageSpec() {
    using uikit::ControlKind;
    return {"Interface Queue",
            0,
            0,
            {{0, ControlKind::Label, "Queue &Number :"},
             {C::IDC_QUEUE_NUMBER, ControlKind::DropList, ""},
             {0, ControlKind::Label, "&Path :"},
             {C::IDC_PATH, ControlKind::Edit, "", true, static_cast<int>(kMaxPath)},
             {C::IDC_CHANGE_PATH, ControlKind::Button, "&Change Path"},
             {0, ControlKind::Label, "&File :"},
             {C::IDC_FILE_FORMAT, ControlKind::DropList, ""}}};
}

// Enters the folder, making it when it is missing; shows `failure` when it cannot be made.
void EnsureFolder(const std::string& folder, std::uint32_t failure) {
    if (!FolderExists(folder) && !MakeFolder(folder)) static_cast<void>(FormatBox(failure, {}));
}

}  // namespace

CVekaPrpInterfaceQueue::CVekaPrpInterfaceQueue() : CWizardPage(IDD_INTERFACE_QUEUE, PageSpec()) {}

std::string CVekaPrpInterfaceQueue::QueuePathOf(const std::string& folder) {
    std::string path = folder.size() > 2 ? folder.substr(2) : std::string();
    if (path.empty() || path.front() != '\\') path.insert(0, 1, '\\');
    return path + kWorkFile;
}

void CVekaPrpInterfaceQueue::OnInitDialog(uikit::IControlPanel& panel) {
    panel.ClearRows(IDC_QUEUE_NUMBER);
    for (const char* number : kQueueNumbers) panel.AddRow(IDC_QUEUE_NUMBER, {number});
    panel.ClearRows(IDC_FILE_FORMAT);
    for (const char* format : kFileFormats) panel.AddRow(IDC_FILE_FORMAT, {format});
    CRegistry& reg = GlobalRegistry();
    if (!m_strDeviceKey.empty() && reg.RegistryOpen(kApplicationKey + m_strDeviceKey, false)) {
        // Another kind of device keeps no queue: it starts from the new device's values.
        if (QueryString(reg, "Device Type") == kInterfaceQueue) {
            const std::string path = QueryString(reg, "QueuePath");
            m_nFileFormat = static_cast<int>(QueryDword(reg, "NativeFormat"));
            m_nQueueNumber = static_cast<int>(QueryDword(reg, "QueueType"));
            m_strQueueDrive = QueryString(reg, "QueueDrive");
            const std::size_t last = path.rfind('\\');
            m_strFolder = m_strQueueDrive + ":" +
                          (last == std::string::npos ? std::string() : path.substr(0, last));
        }
        static_cast<void>(reg.RegistryClose());
    }
    static_cast<void>(Exchange(false, panel));
}

void CVekaPrpInterfaceQueue::OnSetActive(uikit::IControlPanel& panel) {
    panel.Enable(IDC_CHANGE_PATH, CRegistryBase::AccessLevel() >= CRegistryBase::ACCESS_FULL);
}

bool CVekaPrpInterfaceQueue::Exchange(bool bSave, uikit::IControlPanel& panel) {
    if (!bSave) {
        panel.Select(IDC_QUEUE_NUMBER, m_nQueueNumber);
        panel.SetText(IDC_PATH, m_strFolder);
        panel.Select(IDC_FILE_FORMAT, m_nFileFormat);
        return true;
    }
    m_nQueueNumber = std::max(0, panel.Selected(IDC_QUEUE_NUMBER));
    if (!DDX_PathRequired(true, panel, IDC_PATH, m_strFolder)) return false;
    m_nFileFormat = std::max(0, panel.Selected(IDC_FILE_FORMAT));
    return DDX_PathValid(true, panel, IDC_PATH);
}

void CVekaPrpInterfaceQueue::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id == IDC_FILE_FORMAT) {
        if (Exchange(true, panel)) static_cast<void>(Exchange(false, panel));
    } else if (id == IDC_CHANGE_PATH) {
        FolderSelectDialog dialog;
        dialog.SetPath(m_strFolder.empty() ? " " : m_strFolder);
        static_cast<void>(uikit::RunModal(dialog));
        panel.SetText(IDC_PATH, dialog.GetPath());
    }
}

int CVekaPrpInterfaceQueue::OnWizardNext(uikit::IControlPanel& panel) {
    PushThisPage();
    if (!Exchange(true, panel)) return kStay;
    m_strQueueDrive = m_strFolder.substr(0, 1);
    // "<None>" is no queue: a name kept from another choice goes with it.
    if (m_nQueueNumber < 3) m_strQueueName = kQueueNames[m_nQueueNumber];
    return NextAfter(IDD_INTERFACE_QUEUE);
}

void CVekaPrpInterfaceQueue::Save(CRegistry& reg) {
    EnsureFolder(m_strFolder, IDS_SPL_FAILED);
    const std::string queuePath = QueuePathOf(m_strFolder);
    EnsureFolder(m_strQueueDrive + ":\\KBO", IDS_KBO_FAILED);
    static_cast<void>(reg.RegistrySetString("QueueName", m_strQueueName, true, true));
    static_cast<void>(reg.RegistrySetString("QueuePath", queuePath, true, true));
    static_cast<void>(reg.RegistrySetString("QueueDrive", m_strQueueDrive, true, true));
    static_cast<void>(reg.RegistrySetDWORD(
        "NativeFormat", static_cast<platform::DWORD>(m_nFileFormat), true, true));
    static_cast<void>(reg.RegistrySetDWORD(
        "QueueType", static_cast<platform::DWORD>(m_nQueueNumber), true, true));
}

}  // namespace wizard
