// The one way the device side puts a box or a question to the operator. The application
// shell installs its message sink (a system-modal message box when there is a display); in
// service mode the devices' questions go to the local link program instead; with neither
// the question is logged and answered as an absent operator would: OK to a box that has
// only OK, Cancel to one that offers Cancel. Tests install a scripted sink.
//
// Threads: any. The sink and the local link asker are called without a lock held, so a
// question may wait for its answer as long as the operator takes, unless the thread that asks
// set a cancel (CQuestionCancel): once that is signalled the question ends as Cancel. A sink
// or asker that waits watches CQuestionCancel::Current() of the asking thread for that.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {
class Waitable;
}

namespace core {

// Styles of a question (system-modal).
inline constexpr std::uint32_t MB_SYSTEMMODAL_OK = 0x1000;
inline constexpr std::uint32_t MB_SYSTEMMODAL_OKCANCEL = 0x1001;
// The warning icon, added to a style.
inline constexpr std::uint32_t MB_ICONWARNING = 0x30;
// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The shell's message sink: shows the text and gives the operator's answer.
using OperatorSink =
    std::function<int(const std::string& text, const std::string& caption, std::uint32_t style)>;
// The local link client: sends the text with the code (the style) and gives the answer code
// of the program on the other end (-1 when it could not be asked).
using LocalLinkAsker = std::function<int(const std::string& text, std::uint32_t code)>;

// Installs (or, with an empty function, removes) the shell's sink and the local link asker.
void SetOperatorSink(OperatorSink sink);
void SetLocalLinkAsker(LocalLinkAsker asker);

// The process-wide service-mode flag: set by the start-up when the program runs as a service.
void SetServiceMode(std::uint32_t value);
std::uint32_t GetServiceMode();

// A box of the program itself (a settings error, say): always to the sink, or headless.
int OperatorMessageBox(const std::string& text, const std::string& caption, std::uint32_t style);
// While one lives, a question the current thread asks ends with IDCANCEL when the event (a
// manual-reset one) is signalled, as a device's stop event is when its threads are stopped;
// one asked after it was signalled is not put at all.
class CQuestionCancel {
public:
    explicit CQuestionCancel(platform::Waitable* pCancel);
    ~CQuestionCancel();
    CQuestionCancel(const CQuestionCancel&) = delete;
    CQuestionCancel& operator=(const CQuestionCancel&) = delete;
    // The current thread's cancel, or null.
    static platform::Waitable* Current() noexcept;
    // True when the current thread's cancel is signalled.
    static bool IsCancelled();

private:
    platform::Waitable* m_pPrevious;
};

// A device's question: in service mode to the local link (an answer of -1 counts as Cancel),
// otherwise as OperatorMessageBox.
int AskOperator(const std::string& text, std::uint32_t style);

}  // namespace core
