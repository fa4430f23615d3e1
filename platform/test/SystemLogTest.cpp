#include <gtest/gtest.h>

#include <string>

#include "platform/Process.h"
#include "platform/SystemLog.h"
#include "support/DatagramSocket.h"
#include "support/TempRoot.h"

// Each text is one error record of the daemon facility under the ident and the process id,
// control characters made blanks and long texts cut; a machine without the log is an error.
TEST(SystemLog, EachTextIsOneRecord) {
    support::TempRoot root;
    support::DatagramSocket socket(root / "log");
    ASSERT_TRUE(socket.Bound());
    const platform::SystemLog log("TrevoPrint", root / "log");
    ASSERT_TRUE(log.WriteErrors({"TrevoPrint error: 5", "two\nlines\t", std::string(1500, 'x')}));
    const std::string tail =
        "TrevoPrint[" + std::to_string(platform::GetCurrentProcessId()) + "]: ";
    const std::string expected[] = {"TrevoPrint error: 5", "two lines ",
                                    std::string(platform::SystemLog::kMaxText, 'x')};
    for (const std::string& text : expected) {
        const std::string record = socket.Next().value_or("");
        EXPECT_EQ(record.rfind("<27>", 0), 0u) << record;
        ASSERT_GE(record.size(), tail.size() + text.size());
        EXPECT_EQ(record.substr(record.size() - text.size() - tail.size()), tail + text);
    }

    const platform::SystemLog none("TrevoPrint", root / "nothing");
    EXPECT_FALSE(none.WriteErrors({"lost"}));
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_FILE_NOT_FOUND);
}
