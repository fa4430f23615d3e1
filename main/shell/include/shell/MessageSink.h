// The program's message boxes when there is no display (headless and service runs, and the
// tests): each box is written to the log and to a stream (standard error by default) and
// answered from a script of answers when one is given, otherwise as an absent operator
// would answer: OK to a box that has only OK, No to a yes/no question, Cancel to any box that
// offers it. The boxes of the devices, the wizard's pages and the program itself all come
// here once Install has run.
//
// Threads: any; boxes are answered one at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace shell {

class CMessageSink {
public:
    // Box styles (the low four bits) and answers, as message boxes have them.
    enum : std::uint32_t {
        MB_OK = 0,
        MB_OKCANCEL = 1,
        MB_ABORTRETRYIGNORE = 2,
        MB_YESNOCANCEL = 3,
        MB_YESNO = 4,
        MB_RETRYCANCEL = 5
    };
    enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDNO = 7 };

    explicit CMessageSink(std::FILE* out = stderr) : m_out(out) {}
    // Uninstalls itself when it is the installed sink.
    ~CMessageSink();
    CMessageSink(const CMessageSink&) = delete;
    CMessageSink& operator=(const CMessageSink&) = delete;

    // Becomes the program's sink for its own boxes, the devices' and the dialogs'.
    void Install();
    void Uninstall();

    // Answers the next boxes, in order; after the last one the absent operator's answers.
    void Script(std::vector<int> answers);

    // Shows (writes) one box and gives its answer.
    int Show(const std::string& text, const std::string& caption, std::uint32_t style);
    // The answer nobody gives.
    static int AbsentAnswer(std::uint32_t style);

    // The boxes shown so far: "caption: text".
    std::vector<std::string> Shown() const;

private:
    std::FILE* m_out;
    mutable std::mutex m_cs;
    std::deque<int> m_script;
    std::vector<std::string> m_shown;
    bool m_bInstalled = false;
};

}  // namespace shell
