// Where a question to the operator goes, and what it is answered when nobody is there.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/OperatorQuestion.h"
#include "platform/Event.h"

namespace core {
namespace {

class OperatorQuestionTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetOperatorSink({});
        SetLocalLinkAsker({});
        SetServiceMode(0);
    }
};

TEST_F(OperatorQuestionTest, HeadlessAnswersAsAnAbsentOperator) {
    EXPECT_EQ(AskOperator("load tickets", MB_SYSTEMMODAL_OK), IDOK);
    EXPECT_EQ(AskOperator("load tickets", MB_SYSTEMMODAL_OKCANCEL), IDCANCEL);
    EXPECT_EQ(OperatorMessageBox("bad settings", "COM1", MB_SYSTEMMODAL_OK | MB_ICONWARNING), IDOK);
}

TEST_F(OperatorQuestionTest, ServiceModeSendsDeviceQuestionsToTheLocalLink) {
    std::vector<std::string> shown, linked;
    SetOperatorSink([&](const std::string& text, const std::string&, std::uint32_t) {
        shown.push_back(text);
        return IDOK;
    });
    int linkAnswer = IDOK;
    SetLocalLinkAsker([&](const std::string& text, std::uint32_t code) {
        linked.push_back(text + "/" + std::to_string(code));
        return linkAnswer;
    });
    EXPECT_EQ(AskOperator("one", MB_SYSTEMMODAL_OKCANCEL), IDOK);  // not in service mode
    SetServiceMode(1);
    EXPECT_EQ(AskOperator("two", MB_SYSTEMMODAL_OKCANCEL), IDOK);
    linkAnswer = -1;  // the program could not be asked
    EXPECT_EQ(AskOperator("three", MB_SYSTEMMODAL_OKCANCEL), IDCANCEL);
    // A box of the program itself is no device question.
    EXPECT_EQ(OperatorMessageBox("four", "", MB_SYSTEMMODAL_OK), IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"one", "four"}));
    EXPECT_EQ(linked, (std::vector<std::string>{"two/4097", "three/4097"}));
}

// A question asked while the asking thread's cancel is set is not put; one that waits sees
// the cancel of its own thread, and the cancel ends with its scope.
TEST_F(OperatorQuestionTest, CancelledQuestionsEndAsCancel) {
    platform::Event stop(platform::EventReset::Manual);
    std::vector<std::string> shown;
    SetOperatorSink([&](const std::string& text, const std::string&, std::uint32_t) {
        shown.push_back(text);
        // The operator never answers; the wait ends when the asking thread is stopped.
        platform::Waitable* cancel = CQuestionCancel::Current();
        if (cancel == nullptr) return IDOK;
        std::thread stopper([&] { stop.Set(); });
        const bool ended = platform::WaitForSingleObject(*cancel, 10000) == platform::WAIT_OBJECT_0;
        stopper.join();
        return ended ? IDCANCEL : IDOK;
    });
    {
        CQuestionCancel scope(&stop);
        EXPECT_EQ(CQuestionCancel::Current(), &stop);
        EXPECT_EQ(AskOperator("waits", MB_SYSTEMMODAL_OKCANCEL), IDCANCEL);
        EXPECT_TRUE(CQuestionCancel::IsCancelled());
        EXPECT_EQ(AskOperator("not put", MB_SYSTEMMODAL_OK), IDCANCEL);
        SetServiceMode(1);
        EXPECT_EQ(AskOperator("nor to the link", MB_SYSTEMMODAL_OK), IDCANCEL);
        SetServiceMode(0);
    }
    EXPECT_EQ(CQuestionCancel::Current(), nullptr);
    EXPECT_EQ(AskOperator("after", MB_SYSTEMMODAL_OKCANCEL), IDOK);
    EXPECT_EQ(shown, (std::vector<std::string>{"waits", "after"}));
}

}  // namespace
}  // namespace core
