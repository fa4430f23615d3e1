#include "core/OperatorQuestion.h"

#include <atomic>
#include <mutex>

#include "core/TraceLog.h"
#include "platform/Wait.h"

namespace core {

namespace {

std::mutex g_csQuestions;
OperatorSink g_sink;
LocalLinkAsker g_localLink;
std::atomic<std::uint32_t> g_dwServiceMode{0};
thread_local platform::Waitable* t_pCancel = nullptr;

int Headless(const std::string& text, std::uint32_t style) {
    const bool bCancel = (style & 0x0F) == 0x01;
    TRACE_FORMAT(0, "OperatorMessageBox():", "%s (answered %s)", text.c_str(),
                 bCancel ? "Cancel" : "OK");
    return bCancel ? IDCANCEL : IDOK;
}

}  // namespace

CQuestionCancel::CQuestionCancel(platform::Waitable* pCancel) : m_pPrevious(t_pCancel) {
    t_pCancel = pCancel;
}

CQuestionCancel::~CQuestionCancel() {
    t_pCancel = m_pPrevious;
}

platform::Waitable* CQuestionCancel::Current() noexcept {
    return t_pCancel;
}

bool CQuestionCancel::IsCancelled() {
    return t_pCancel != nullptr &&
           platform::WaitForSingleObject(*t_pCancel, 0) == platform::WAIT_OBJECT_0;
}

void SetOperatorSink(OperatorSink sink) {
    std::lock_guard lock(g_csQuestions);
    g_sink = std::move(sink);
}

void SetLocalLinkAsker(LocalLinkAsker asker) {
    std::lock_guard lock(g_csQuestions);
    g_localLink = std::move(asker);
}

void SetServiceMode(std::uint32_t value) {
    g_dwServiceMode = value;
}

std::uint32_t GetServiceMode() {
    return g_dwServiceMode;
}

int OperatorMessageBox(const std::string& text, const std::string& caption, std::uint32_t style) {
    OperatorSink sink;
    {
        std::lock_guard lock(g_csQuestions);
        sink = g_sink;
    }
    return sink ? sink(text, caption, style) : Headless(text, style);
}

int AskOperator(const std::string& text, std::uint32_t style) {
    if (CQuestionCancel::IsCancelled()) {
        TRACE_FORMAT(0, "AskOperator():", "%s (not asked: shutting down)", text.c_str());
        return IDCANCEL;
    }
    if (GetServiceMode() != 0) {
        LocalLinkAsker asker;
        {
            std::lock_guard lock(g_csQuestions);
            asker = g_localLink;
        }
        if (asker) {
            const int answer = asker(text, style);
            return answer == -1 ? IDCANCEL : answer;
        }
    }
    return OperatorMessageBox(text, "", style);
}

}  // namespace core
