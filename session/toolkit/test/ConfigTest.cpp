#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/TempRoot.h"
#include "toolkit/Config.h"
#include "toolkit/ConfigFileAdapter.h"

using UTKString::CString;
using UTKTools::CConfigFileAdapter;

namespace {

class ConfigTest : public support::TempRootTest {
protected:
    std::string Source() { return std::string(adapter.GetFileName().c_str()); }

    CConfigFileAdapter adapter;
};

TEST_F(ConfigTest, ABareNameLivesInTheWindowsFolderAndIsCreated) {
    adapter.SetFileName("SESSION.INI");
    const std::filesystem::path expected = root / "windows/SESSION.INI";
    EXPECT_EQ(Source(), expected.string());
    EXPECT_TRUE(std::filesystem::exists(expected));
    EXPECT_EQ(std::filesystem::file_size(expected), 0u);

    root.WriteFile("drive_c/CFG/keep.txt", "");
    adapter.SetFileName("C:\\CFG\\ROUTES.INI");
    EXPECT_EQ(Source(), "C:\\CFG\\ROUTES.INI");
    EXPECT_TRUE(std::filesystem::exists(root / "drive_c/CFG/ROUTES.INI"));
}

TEST_F(ConfigTest, TypedGettersConvertTheFileText) {
    root.WriteFile("windows/SESSION.INI",
                   "[GLOBAL]\n"
                   "Yes1=yes\nY=Y\nNo=no\nTf=true\nNum=12abc\nBig=99999999999\nMaxv=2147483647\n"
                   "Minv=-2147483648\nNeg= -7\nLower=abc Def\nEmpty=\n");
    adapter.SetFileName("SESSION.INI");
    struct Flag {
        const char* key;
        int defaultValue;
        int yesNo;
        int trueFalse;
    };
    const Flag flags[] = {
        {"YES1", 0, 1, 0}, {"Y", 1, 0, 0},       {"NO", 1, 0, 0},
        {"TF", 0, 0, 1},   {"missing", 1, 1, 1}, {"EMPTY", 1, 1, 1},
    };
    for (const Flag& f : flags) {
        SCOPED_TRACE(f.key);
        EXPECT_EQ(adapter.GetYesNo("GLOBAL", f.key, f.defaultValue), f.yesNo);
        EXPECT_EQ(adapter.GetTrueFalse("GLOBAL", f.key, f.defaultValue), f.trueFalse);
    }
    struct Number {
        const char* key;
        std::int32_t expected;
    };
    const Number numbers[] = {
        {"missing", 0}, {"EMPTY", 0}, {"NUM", 12},  {"NEG", -7},
        {"BIG", 55},    {"MAXV", 55}, {"MINV", 55}, {"LOWER", 0},
    };
    for (const Number& n : numbers) {
        SCOPED_TRACE(n.key);
        std::int32_t value = -1;
        EXPECT_EQ(adapter.GetLong("GLOBAL", n.key, value, 55), 1);
        EXPECT_EQ(value, n.expected);
    }
    CString text;
    EXPECT_EQ(adapter.GetStringUpper("GLOBAL", "LOWER", text, "x"), 1);
    EXPECT_STREQ(text.c_str(), "ABC DEF");
    EXPECT_EQ(adapter.GetStringLower("global", "lower", text, "x"), 1);
    EXPECT_STREQ(text.c_str(), "abc def");
    EXPECT_EQ(adapter.GetString("GLOBAL", "missing", text, "fallback"), 1);
    EXPECT_STREQ(text.c_str(), "fallback");
    EXPECT_EQ(adapter.GetString(nullptr, "LOWER", text, "x"), 0);
    EXPECT_EQ(adapter.GetString("GLOBAL", nullptr, text, "x"), 0);
}

TEST_F(ConfigTest, LongValuesReadAsTheirFirst1023Characters) {
    const std::string value(1500, 'v');
    root.WriteFile("windows/SESSION.INI", "[S]\nK=" + value + "\n");
    adapter.SetFileName("SESSION.INI");
    CString text;
    ASSERT_EQ(adapter.GetString("S", "K", text, ""), 1);
    EXPECT_EQ(std::string(text.c_str()), value.substr(0, 1023));
}

TEST_F(ConfigTest, WritersStoreTextAndRemoversDropKeysAndSections) {
    adapter.SetFileName("SESSION.INI");
    EXPECT_EQ(adapter.WriteBOOL("R1", "Flag", 5), 1);
    EXPECT_EQ(adapter.WriteYesNo("R1", "Answer", 0), 1);
    EXPECT_EQ(adapter.WriteLong("R1", "Count", -7), 1);
    EXPECT_EQ(adapter.WriteString("R2", "Host", "h1"), 1);
    CString text;
    ASSERT_EQ(adapter.GetString("R1", "FLAG", text, ""), 1);
    EXPECT_STREQ(text.c_str(), "TRUE");
    ASSERT_EQ(adapter.GetString("R1", "ANSWER", text, ""), 1);
    EXPECT_STREQ(text.c_str(), "NO");
    ASSERT_EQ(adapter.GetString("R1", "COUNT", text, ""), 1);
    EXPECT_STREQ(text.c_str(), "-7");

    EXPECT_EQ(adapter.RemoveKey("R1", "Count"), 1);
    EXPECT_EQ(adapter.RemoveKey("R1", "never there"), 1);
    EXPECT_EQ(adapter.RemoveSection("R2"), 1);
    const auto file = root.ReadFile("windows/SESSION.INI");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->find("Count"), std::string::npos);
    EXPECT_EQ(file->find("R2"), std::string::npos);
    EXPECT_NE(file->find("Flag=TRUE"), std::string::npos);

    EXPECT_EQ(adapter.WriteString(nullptr, "K", "v"), 0);
    EXPECT_EQ(adapter.RemoveKey("R1", nullptr), 0);
}

TEST_F(ConfigTest, AFileBackEndAlwaysReportsSuccess) {
    adapter.SetFileName("SESSION.INI");
    EXPECT_EQ(adapter.Read(), 1);
    EXPECT_EQ(adapter.Refresh(), CConfigFileAdapter::E_REFRESH_NO_CHANGE);
    EXPECT_EQ(adapter.Write(), CConfigFileAdapter::E_WRITE_WRITTEN);
    EXPECT_EQ(adapter.GetLastError(), CConfigFileAdapter::E_RESULT_SUCCESS);
    EXPECT_STREQ(adapter.GetLastErrorString().c_str(), "E_SUCCESS");
}

TEST_F(ConfigTest, WithoutAFileNameNothingIsReadOrWritten) {
    CString text("untouched");
    EXPECT_EQ(adapter.GetString("S", "K", text, "d"), 0);
    EXPECT_EQ(adapter.WriteString("S", "K", "v"), 0);
    std::int32_t value = 0;
    EXPECT_EQ(adapter.GetLong("S", "K", value, 9), 1);
    EXPECT_EQ(value, 9);
}

TEST_F(ConfigTest, WritersOnSeveralThreadsLoseNoValue) {
    adapter.SetFileName("SESSION.INI");
    constexpr int kThreads = 4;
    constexpr int kKeys = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            const std::string section = "ROUTE" + std::to_string(t);
            for (int k = 0; k < kKeys; ++k) {
                EXPECT_EQ(adapter.WriteLong(section.c_str(), ("K" + std::to_string(k)).c_str(),
                                            t * 100 + k),
                          1);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        const std::string section = "ROUTE" + std::to_string(t);
        for (int k = 0; k < kKeys; ++k) {
            std::int32_t value = -1;
            EXPECT_EQ(
                adapter.GetLong(section.c_str(), ("K" + std::to_string(k)).c_str(), value, -1), 1);
            EXPECT_EQ(value, t * 100 + k) << section << " K" << k;
        }
    }
}

TEST(ConfigWithoutBackEndTest, EveryOperationGivesItsFallback) {
    CConfigNS::CConfig config(static_cast<CConfigNS::IConfig::IMPLEMENTOR_TYPE>(1));
    CString text("x");
    EXPECT_FALSE(config.Get("S", "K", text, "d"));
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(config.GetYesNo("S", "K", true));
    std::int32_t value = 0;
    EXPECT_TRUE(config.GetLong("S", "K", value, 4));
    EXPECT_EQ(value, 4);
    EXPECT_FALSE(config.Set("S", "K", "v"));
    EXPECT_FALSE(config.FlushToMedia());
    EXPECT_EQ(config.RefreshFromMedia(), CConfigNS::IConfigImplementor::E_NO_CHANGE);
    EXPECT_EQ(config.GetLastError(), CConfigNS::IConfigImplementor::E_NO_IMPLEMENTAION_OBJ);
    EXPECT_STREQ(config.GetLastErrorString(), "No Implementation Object");
    EXPECT_TRUE(config.GetSource().empty());
}

}  // namespace
