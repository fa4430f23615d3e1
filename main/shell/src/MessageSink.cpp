#include "shell/MessageSink.h"

#include "core/OperatorQuestion.h"
#include "core/TraceLog.h"
#include "core/VekaStrings.h"
#include "uikit/Dialog.h"

namespace shell {

namespace {

CMessageSink* g_installed = nullptr;  // under the operator sink's installation only

}  // namespace

CMessageSink::~CMessageSink() {
    if (m_bInstalled) Uninstall();
}

void CMessageSink::Install() {
    core::SetOperatorSink([this](const std::string& text, const std::string& caption,
                                 std::uint32_t style) { return Show(text, caption, style); });
    uikit::SetMessageSink([this](const std::string& text, uikit::MessageIcon) {
        static_cast<void>(Show(text, core::LoadVekaString(core::IDS_PRINTING_MODULE), MB_OK));
    });
    m_bInstalled = true;
    g_installed = this;
}

void CMessageSink::Uninstall() {
    if (g_installed == this) {
        core::SetOperatorSink({});
        uikit::SetMessageSink({});
        g_installed = nullptr;
    }
    m_bInstalled = false;
}

void CMessageSink::Script(std::vector<int> answers) {
    std::lock_guard lock(m_cs);
    m_script.assign(answers.begin(), answers.end());
}

int CMessageSink::AbsentAnswer(std::uint32_t style) {
    switch (style & 0xF) {
        case MB_OK:
            return IDOK;
        case MB_YESNO:
            return IDNO;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        default:
            return IDCANCEL;
    }
}

int CMessageSink::Show(const std::string& text, const std::string& caption, std::uint32_t style) {
    TRACE_FORMAT(CTraceLog::LEVEL_INFO, "CMessageSink::Show():", "%s: %s", caption.c_str(),
                 text.c_str());
    std::lock_guard lock(m_cs);
    if (m_out) {
        std::fprintf(m_out, "%s: %s\n", caption.c_str(), text.c_str());
        std::fflush(m_out);
    }
    m_shown.push_back(caption + ": " + text);
    if (m_script.empty()) return AbsentAnswer(style);
    const int answer = m_script.front();
    m_script.pop_front();
    return answer;
}

std::vector<std::string> CMessageSink::Shown() const {
    std::lock_guard lock(m_cs);
    return m_shown;
}

}  // namespace shell
