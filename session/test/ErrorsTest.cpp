#include <gtest/gtest.h>

#include <string>

#include "session/Context.h"
#include "session/Exceptions.h"
#include "session/Stream.h"

namespace {

using namespace SessionNS;

TEST(ErrorsTest, CodeNamesTextsAndConversion) {
    const std::string unrecognized =
        "The error code is unrecognized. There is no error string available for this error code";
    struct Case {
        int code;
        const char* name;
        std::string text;
        int converted;
    };
    const Case cases[] = {
        {0, "COMM_NO_ERROR", "No Error To Report", 0},
        {1011, "COMM_ERR_DUPETA", "The operation failed because the TA is already in use", 1011},
        {1012, "COMM_ERR_PTA", "The operation failed because the TA is already in use", 1012},
        {1022, "COMM_ERR_TIMEOUT", "The operation timed out while waiting to complete", 1022},
        {1028, "COMM_ERR_TRANLATION_FAILED",
         "The operation failed because of message translation failure", 1028},
        {1030, "COMM_ERR_SYSTEMCALL_FAILED", unrecognized, 1030},
        {1045, "COMM_ERR_HOST_UNREACHABLE", unrecognized, 1045},
        {1046, "UNRECOGNIZED", unrecognized, 1046},
        {1053, "UNRECOGNIZED", unrecognized, 1053},
        {1054, "UNRECOGNIZED", unrecognized, 1010},
        {1000, "UNRECOGNIZED", unrecognized, 1010},
        {5, "UNRECOGNIZED", unrecognized, 1010},
        {-1, "UNRECOGNIZED", unrecognized, 1010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_STREQ(CommErrorName(static_cast<COMMError>(c.code)), c.name);
        EXPECT_EQ(CommErrorText(c.code), c.text);
        EXPECT_EQ(ConvertCommError(c.code), c.converted);
    }
}

TEST(ErrorsTest, MessagesAreFormattedWholeUpToOneMebibyte) {
    const std::string long5000(5000, 'x');
    const CAPIException whole(COMM_ERR_TIMEOUT, "%s!", long5000.c_str());
    EXPECT_EQ(std::string(whole.what()), long5000 + "!");
    EXPECT_EQ(whole.error(), COMM_ERR_TIMEOUT);
    const std::string huge((1u << 20) + 10, 'y');
    const CArgumentException cut(COMM_ERR_BADINPUT, "%s", huge.c_str());
    EXPECT_EQ(std::string(cut.what()), huge.substr(0, (1u << 20) - 1));
    const CHostException copy = CHostException(COMM_ERR_RECONNECT, nullptr);
    EXPECT_STREQ(copy.what(), "");
    EXPECT_EQ(copy.error(), COMM_ERR_RECONNECT);
}

TEST(ErrorsTest, ContextBuildsLocalTextsInBuffersBigEnough) {
    CContext context("[%d:?????????????:?????:??????]", 1);
    const std::string session = "[1:?????????????:?????:??????]";
    EXPECT_EQ(std::string(context.GetSession().c_str()), session);
    const std::string method = "CSessionBase::Send";
    char buffer[64];
    const auto exact = static_cast<unsigned>(session.size() + method.size());
    EXPECT_THROW(context.BuildLocal(buffer, exact, method.c_str()), CArgumentException);
    EXPECT_EQ(std::string(context.BuildLocal(buffer, exact + 1, method.c_str())), session + method);
    EXPECT_THROW(context.BuildLocal(nullptr, 10, "x"), CArgumentException);
    EXPECT_THROW(context.BuildLocal(buffer, 10, nullptr), CArgumentException);
    context.SetSession(nullptr);
    EXPECT_STREQ(context.GetSession().c_str(), "");
    EXPECT_STREQ(CContext(nullptr).GetSession().c_str(), "");
}

TEST(StreamTest, BytesGrowAndCompareAsDefined) {
    const unsigned char bytes[] = {0x41, 0x25, 0x0D, 0xC1};
    CStream stream(bytes, sizeof bytes);
    EXPECT_STREQ(stream.printable(), "A..\xC1");
    const unsigned char zeroTen[] = {0x00, 0x0A};
    EXPECT_STREQ(CStream(zeroTen, 2).hex(), "000A");

    EXPECT_EQ(CStream(), CStream());
    CStream erased(bytes, 1);
    erased.erase();
    EXPECT_NE(erased, CStream());  // it still holds its block
    EXPECT_EQ(erased.length(), 0u);

    CStream ten;
    ten.reserve(10);
    const unsigned char ones[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    ten.set(ones, 10);
    ten.set(bytes, 3);
    EXPECT_EQ(ten.size(), 10u);
    EXPECT_EQ(ten.length(), 3u);
    EXPECT_EQ(ten.data()[3], 1);

    CStream grown;
    grown[4] = 7;
    EXPECT_EQ(grown.size(), 5u);
    EXPECT_EQ(grown.length(), 0u);
    CStream joined(bytes, 2);
    joined += CStream(bytes + 2, 2);
    joined += joined;
    EXPECT_STREQ(joined.hex(), "41250DC141250DC1");
    EXPECT_EQ(joined.size(), 8u);
}

}  // namespace
