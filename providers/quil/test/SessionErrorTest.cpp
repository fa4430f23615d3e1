// The host session-error table and what handling an error does to the session.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "quil/SessionError.h"
#include "quil/SocketErrorText.h"
#include "support/Hex.h"

using support::FromHex;

namespace quil {
namespace {

struct Session {
    std::vector<std::uint8_t> message;
    CSessionHeader header;
    bool disconnected = false;
    std::array<std::uint8_t, 60> options{};
    std::size_t optionBytes = 0;
    int lastError = -1;
    std::string protocolText;
    std::vector<std::string> log;

    bool Handle(std::string_view text, std::uint8_t kind, bool disconnectedBefore) {
        message.assign(text.begin(), text.end());
        header.SetKind(kind);
        disconnected = disconnectedBefore;
        SessionErrorState state{message,     header,    disconnected, options,
                                optionBytes, lastError, protocolText, {}};
        log.clear();
        return HandleSessionError(state, [&](const std::string& l) { log.push_back(l); });
    }
};

// Expected outcome per header kind 0-4: error and action (L leave, C clear, S set).
constexpr const char* kExpected = R"(
7QP01 1029S 0L 0C 1029S 1029S
7QP02 1029S 0L 0C 1029S 1029S
7QS01 1030S 0L 0C 1030S 1030S
7QS02 1030S 1030S 0S 1030S 1030S
7QS03 1030L 1030L 1030L 1030L 1030L
7QS04 1030S 1030S 1030S 1030S 1030S
7QS05 1030S 1030S 1030S 1030S 1030S
7QS06 1030S 0L 0C 1030S 1030S
7QS07 0L 0L 1030S 1030S 1030S
7QS08 1033L 1030L 1030L 1030L 1030L
7QS09 1034S 1030S 0S 1030S 1030S
7QS10 1035S 1030S 0S 1030S 1030S
7QC01 1031S 0L 0C 1031S 1031S
7QC02 1031S 0L 0C 1031S 1031S
7QC03 1031S 0L 0C 1031S 1031S
7QC04 1031S 0L 0C 1031S 1031S
7QC05 1031L 1031L 1031L 1031L 1031L
7QC06 1031S 0L 0C 1031S 1031S
)";

TEST(SessionErrorTest, EveryCodeAndKindGivesItsErrorAndDisconnectAction) {
    std::istringstream rows(kExpected);
    std::string code;
    int rowCount = 0;
    while (rows >> code) {
        ++rowCount;
        for (std::uint8_t kind = 0; kind < 5; ++kind) {
            std::string cell;
            rows >> cell;
            const int error = std::stoi(cell.substr(0, cell.size() - 1));
            const char action = cell.back();
            for (bool before : {false, true}) {
                Session s;
                ASSERT_TRUE(s.Handle(code + "- SOME TEXT", kind, before)) << code;
                EXPECT_EQ(s.lastError, error) << code << " kind " << int(kind);
                const bool after = action == 'L' ? before : action == 'S';
                EXPECT_EQ(s.disconnected, after) << code << " kind " << int(kind) << " " << before;
            }
        }
    }
    EXPECT_EQ(rowCount, 18);
    EXPECT_EQ(SessionErrorTable().size(), 18u);
}

TEST(SessionErrorTest, SpecialCodesHostCodeAndUnknownCodes) {
    Session s;
    // 7QS07 on a begin keeps the text for the client and turns the header into a maintain.
    ASSERT_TRUE(s.Handle("7QS07- STAGING IN EFFECT", kSessionBegin, false));
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.header.Kind(), kSessionMaintain);

    // 7QC03 drops every option.
    s.options.fill(0x33);
    s.optionBytes = 60;
    ASSERT_TRUE(s.Handle("7QC03- UNABLE TO INSERT OPTION", kSessionBegin, false));
    EXPECT_EQ(s.lastError, 1031);
    EXPECT_TRUE(s.disconnected);
    EXPECT_EQ(s.optionBytes, 0u);
    EXPECT_EQ(s.options, (std::array<std::uint8_t, 60>{}));
    EXPECT_EQ(s.protocolText, "7QC03- UNABLE TO INSERT OPTION");
    EXPECT_EQ(s.message.back(), 0) << "the message gains a terminator";
    const std::vector<std::string> log = {
        "HandleSessionError() : Error Code 7QC03 ",
        "HandleSessionError():Dropping all the options due to the Error [C03 UNABLE TO INSERT "
        "OPTION]",
        "HandleSessionError() : QUIL Error String is 7QC03- UNABLE TO INSERT OPTION "};
    EXPECT_EQ(s.log, log);

    // The same code in host code.
    const auto host = FromHex("F7 D8 E2 F0 F8 60 40");
    ASSERT_TRUE(s.Handle(std::string(host.begin(), host.end()), kSessionBegin, false));
    EXPECT_EQ(s.lastError, 1033);

    // Unknown, too short, and kinds beyond the table: not found, error 1030, state untouched.
    const std::pair<const char*, std::uint8_t> notFound[] = {
        {"7QX99- WHAT", 0}, {"7QS0", 0}, {"", 1}, {"7QS01", 5}, {"7QS01", 15}};
    for (const auto& [text, kind] : notFound) {
        EXPECT_FALSE(s.Handle(text, kind, true)) << text;
        EXPECT_EQ(s.lastError, 1030) << text;
        EXPECT_TRUE(s.disconnected) << text;
        EXPECT_EQ(s.log[1], "HandleSessionError() : Invalid error string ") << text;
    }
}

TEST(SocketErrorTextTest, OwnTextsReplaceTheSystemTextForListedNumbers) {
    EXPECT_EQ(SocketErrorText(10036, "sys"),
              "A blocking Windows Sockets operation is in progress.");
    EXPECT_EQ(SocketErrorText(10049, "sys"),
              "he specified address is not available from the local machine.");
    EXPECT_EQ(SocketErrorText(10058, "sys"),
              "Attempt to connect timed out without establishing a connection.");
    EXPECT_EQ(SocketErrorText(10042, "sys").back(), '\n');
    EXPECT_EQ(SocketErrorText(10059, "system text"), "system text");
    EXPECT_EQ(SocketErrorText(10064, "system text"), "system text");
}

}  // namespace
}  // namespace quil
