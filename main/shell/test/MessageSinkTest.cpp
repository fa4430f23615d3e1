#include "shell/MessageSink.h"

#include <gtest/gtest.h>

#include "core/OperatorQuestion.h"
#include "uikit/Dialog.h"

using shell::CMessageSink;

TEST(MessageSink, BoxesAreWrittenAndAnsweredFromTheScriptThenAsNobodyWouldAnswer) {
    CMessageSink sink(nullptr);
    sink.Install();
    sink.Script({CMessageSink::IDOK, 6});
    EXPECT_EQ(core::OperatorMessageBox("Retry Printing ?", "Veka", CMessageSink::MB_OKCANCEL),
              CMessageSink::IDOK);
    EXPECT_EQ(core::OperatorMessageBox("Q", "Veka", CMessageSink::MB_YESNO), 6);
    const struct {
        std::uint32_t style;
        int answer;
    } absent[] = {{CMessageSink::MB_OK | 0x10, CMessageSink::IDOK},
                  {CMessageSink::MB_OKCANCEL, CMessageSink::IDCANCEL},
                  {CMessageSink::MB_YESNO, CMessageSink::IDNO},
                  {CMessageSink::MB_YESNOCANCEL, CMessageSink::IDCANCEL},
                  {CMessageSink::MB_RETRYCANCEL, CMessageSink::IDCANCEL}};
    for (const auto& a : absent)
        EXPECT_EQ(core::OperatorMessageBox("X", "Veka", a.style), a.answer) << a.style;
    uikit::ShowMessage("A page says so", uikit::MessageIcon::Stop);
    const auto shown = sink.Shown();
    ASSERT_EQ(shown.size(), 8u);
    EXPECT_EQ(shown[0], "Veka: Retry Printing ?");
    EXPECT_EQ(shown.back(), "Trevo Printing Module: A page says so");
    sink.Uninstall();
}
