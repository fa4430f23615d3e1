#include "brxdlg/TraceLogGroup.h"

namespace brxdlg {
namespace {

constexpr char kDefaultTraceFile[] = "BRXAPI.LOG";

}  // namespace

void CTraceLogGroup::Lock(uikit::IControlPanel& panel) const {
    for (const int id : {m_ids.browse, m_ids.view, uikit::IDOK, m_ids.tracing})
        panel.Enable(id, false);
}

void CTraceLogGroup::Init(bool tracing, std::string traceFile, uikit::IControlPanel& panel) {
    m_tracing = tracing;
    m_traceFile = std::move(traceFile);
    Complete();
    panel.Enable(m_ids.traceFile, m_tracing);
}

void CTraceLogGroup::Load(uikit::IControlPanel& panel) const {
    panel.SetText(m_ids.traceFile, m_traceFile);
    panel.SetCheck(m_ids.tracing, m_tracing);
}

void CTraceLogGroup::Save(const uikit::IControlPanel& panel) {
    m_traceFile = panel.GetText(m_ids.traceFile);
    m_tracing = panel.GetCheck(m_ids.tracing);
}

void CTraceLogGroup::Complete() {
    if (m_tracing && m_traceFile.empty()) m_traceFile = kDefaultTraceFile;
}

bool CTraceLogGroup::OnCommand(int id, uikit::IControlPanel& panel) {
    if (id == m_ids.tracing) {
        m_tracing = panel.GetCheck(m_ids.tracing);
        panel.Enable(m_ids.traceFile, m_tracing);
    } else if (id == m_ids.browse) {
        if (const auto chosen = uikit::ChooseFile("log", panel.GetText(m_ids.traceFile))) {
            m_traceFile = *chosen;
            if (!m_traceFile.empty()) panel.SetText(m_ids.traceFile, m_traceFile);
        }
    } else if (id == m_ids.view || id == m_ids.print) {
        ViewOrPrint(panel, id == m_ids.print);
    } else {
        return false;
    }
    return true;
}

void CTraceLogGroup::ViewOrPrint(const uikit::IControlPanel& panel, bool print) const {
    const std::string name = panel.GetText(m_ids.traceFile);
    if (name.empty()) {
        uikit::ShowMessage(print ? "Complete trace file name before printing"
                                 : "Complete trace file name before viewing");
        return;
    }
    if (!uikit::ViewFile(name, print))
        uikit::ShowMessage("Unable to locate the Notepad executable (notepad.exe)");
}

}  // namespace brxdlg
