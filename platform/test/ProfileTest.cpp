#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Profile.h"
#include "platform/ProfileParser.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

using namespace platform;
using namespace std::string_literals;
using namespace std::string_view_literals;
namespace fs = std::filesystem;

namespace {

const std::string kLong(1500, 'L');

const std::string kSample =
    "; leading comment\n"
    "[Client]\n"
    "Prevent Unicode Conversion = 1\n"
    "Name=  \"quoted value\"  \n"
    "Semi=a;b ; not a comment\n"
    "Single='x'\n"
    "Mismatch=\"y'\n"
    "Empty=\n"
    "NoEquals\n"
    "Long=" +
    kLong +
    "\n"
    "  ; indented comment\n"
    "\n"
    "[ VORS ]  trailing words\n"
    "HostTrans=12abc\n"
    "Neg= -7\n"
    "Word=abc\n"
    "[client]\n"
    "Later=from a second section of the same name\n";

enum class Op { Str, Int, Section, Names, Write, File };

struct Step {
    Op op;
    const char* section;
    const char* key;
    const char* text;  // default, value to write, or the file's expected contents
    std::uint32_t size;
    std::uint32_t result;       // returned count or integer; for writes 1 or 0
    std::string_view expected;  // bytes of the buffer up to the result (lists: with zeros)
};

// The ini contract, step by step over one file (reads first, then writes and their effect).
const Step kSteps[] = {
    // Values: names without regard to case, blanks trimmed, matching quotes stripped.
    {Op::Str, "Client", "Prevent Unicode Conversion", "x", 64, 1, "1"},
    {Op::Str, "CLIENT", "prevent unicode conversion", "x", 64, 1, "1"},
    {Op::Str, "Client", "Name", "x", 64, 12, "quoted value"},
    {Op::Str, "Client", "Semi", "x", 64, 19, "a;b ; not a comment"},
    {Op::Str, "Client", "Single", "x", 64, 1, "x"},
    {Op::Str, "Client", "Mismatch", "x", 64, 3, "\"y'"},
    {Op::Str, "vors", "HostTrans", "x", 64, 5, "12abc"},
    {Op::Str, "Client", "Later", "", 64, 38, "from a second section of the same name"},
    // Present but empty is not missing; a line without '=' reads as missing.
    {Op::Str, "Client", "Empty", "def", 64, 0, ""},
    {Op::Str, "Client", "NoEquals", "def", 64, 3, "def"},
    // Defaults lose trailing blanks; null default is empty; comments are not keys.
    {Op::Str, "Client", "Missing", "dflt  ", 64, 4, "dflt"},
    {Op::Str, "Nowhere", "Name", nullptr, 64, 0, ""},
    {Op::Str, "Client", "; indented comment", "d", 64, 1, "d"},
    // Short buffers cut to size - 1.
    {Op::Str, "Client", "Name", "x", 4, 3, "quo"},
    {Op::Str, "Client", "Name", "x", 1, 0, ""},
    {Op::Str, "Client", "Missing", "default", 3, 2, "de"},
    {Op::Str, "Client", "Long", "", 1024, 1023, std::string_view(kLong).substr(0, 1023)},
    // Name lists: zero after each, one more at the end; cut lists end "\0\0", size - 2.
    {Op::Names, nullptr, nullptr, nullptr, 64, 12, "Client\0VORS\0\0"sv},
    {Op::Names, nullptr, nullptr, nullptr, 9, 7, "Client\0\0\0"sv},
    {Op::Names, nullptr, nullptr, nullptr, 5, 3, "Cli\0\0"sv},
    {Op::Names, nullptr, nullptr, nullptr, 2, 0, "\0\0"sv},
    {Op::Names, "vors", nullptr, nullptr, 64, 19, "HostTrans\0Neg\0Word\0\0"sv},
    {Op::Names, "client", nullptr, nullptr, 90, 79,
     "Prevent Unicode Conversion\0Name\0Semi\0Single\0Mismatch\0Empty\0NoEquals\0Long\0Later\0\0"sv},
    {Op::Names, "Nowhere", nullptr, nullptr, 64, 0, "\0\0"sv},
    {Op::Section, "VORS", nullptr, nullptr, 64, 32, "HostTrans=12abc\0Neg=-7\0Word=abc\0\0"sv},
    {Op::Section, "VORS", nullptr, nullptr, 20, 18, "HostTrans=12abc\0Ne\0\0"sv},
    // Integers: leading digits, a sign, no digits gives 0; missing or empty the default.
    {Op::Int, "VORS", "HostTrans", nullptr, 5, 12, ""},
    {Op::Int, "VORS", "Neg", nullptr, 5, static_cast<std::uint32_t>(-7), ""},
    {Op::Int, "VORS", "Word", nullptr, 5, 0, ""},
    {Op::Int, "VORS", "Missing", nullptr, 5, 5, ""},
    {Op::Int, "Client", "Empty", nullptr, 5, 5, ""},
    {Op::Int, "Client", "Name", nullptr, 5, 0, ""},
    // Writes: replace in place (the key keeps its spelling), add at the end of the first
    // section of the name, add a section at the end, remove keys and sections.
    {Op::Write, "client", "prevent unicode conversion", "0", 0, 1, ""},
    {Op::Write, "CLIENT", "Added", "new;value", 0, 1, ""},
    {Op::Write, "Client", "Semi", nullptr, 0, 1, ""},
    {Op::Write, "Client", "Long", nullptr, 0, 1, ""},
    {Op::Write, "client", "Later", nullptr, 0, 1, ""},
    {Op::Write, "Vors", nullptr, nullptr, 0, 1, ""},
    {Op::Write, " New ", " K ", "v", 0, 1, ""},
    {Op::Write, "Client", "NotThere", nullptr, 0, 1, ""},
    {Op::Write, "NotThere", nullptr, nullptr, 0, 1, ""},
    // What would reach other lines of the file is refused.
    {Op::Write, "Client", "Bad", "two\nlines", 0, 0, ""},
    {Op::Write, "Client", "Bad=Key", "v", 0, 0, ""},
    {Op::Write, "Bad]", "Key", "v", 0, 0, ""},
    {Op::Write, nullptr, "Key", "v", 0, 0, ""},
    {Op::File, nullptr, nullptr,
     "; leading comment\n"
     "[Client]\n"
     "Prevent Unicode Conversion=0\n"
     "Name=  \"quoted value\"  \n"
     "Single='x'\n"
     "Mismatch=\"y'\n"
     "Empty=\n"
     "NoEquals\n"
     "Added=new;value\n"
     "  ; indented comment\n"
     "\n"
     "[client]\n"
     "\n"
     "[New]\n"
     "K=v\n",
     0, 0, ""},
    {Op::Str, "Client", "Added", "", 64, 9, "new;value"},
};

std::string Describe(const Step& s) {
    auto show = [](const char* t) {
        if (!t) return "null"s;
        std::string quoted = "\"";
        quoted += std::string(t).substr(0, 40);
        quoted += '"';
        return quoted;
    };
    return show(s.section) + " " + show(s.key) + " " + show(s.text) + " size " +
           std::to_string(s.size);
}

}  // namespace

using Profile = support::TempRootTest;

TEST_F(Profile, FollowsTheIniContract) {
    root.WriteFile("windows/SAMPLE.INI", kSample);
    for (const Step& s : kSteps) {
        SCOPED_TRACE(Describe(s));
        std::vector<char> buffer(s.size + 8, '#');
        switch (s.op) {
            case Op::Str:
            case Op::Names: {
                const std::uint32_t n =
                    s.op == Op::Str ? GetPrivateProfileString(s.section, s.key, s.text,
                                                              buffer.data(), s.size, "SAMPLE.INI")
                    : s.section
                        ? GetPrivateProfileString(s.section, nullptr, "ignored", buffer.data(),
                                                  s.size, "SAMPLE.INI")
                        : GetPrivateProfileSectionNames(buffer.data(), s.size, "SAMPLE.INI");
                EXPECT_EQ(n, s.result);
                const std::size_t shown = s.op == Op::Str ? n + 1 : s.expected.size();
                const std::string want = std::string(s.expected) + (s.op == Op::Str ? "\0"s : ""s);
                EXPECT_EQ(std::string(buffer.data(), shown), want);
                EXPECT_EQ(buffer[s.size], '#') << "wrote past the buffer";
                break;
            }
            case Op::Section: {
                const std::uint32_t n =
                    GetPrivateProfileSection(s.section, buffer.data(), s.size, "SAMPLE.INI");
                EXPECT_EQ(n, s.result);
                EXPECT_EQ(std::string(buffer.data(), s.expected.size()), s.expected);
                EXPECT_EQ(buffer[s.size], '#') << "wrote past the buffer";
                break;
            }
            case Op::Int:
                EXPECT_EQ(
                    GetPrivateProfileInt(s.section, s.key, static_cast<int>(s.size), "SAMPLE.INI"),
                    s.result);
                break;
            case Op::Write:
                EXPECT_EQ(WritePrivateProfileString(s.section, s.key, s.text, "SAMPLE.INI"),
                          s.result == 1);
                break;
            case Op::File:
                EXPECT_EQ(root.ReadFile("windows/SAMPLE.INI"), s.text);
                break;
        }
    }
}

TEST_F(Profile, FindsTheFileByNameOrMappedPath) {
    char buffer[32];
    // No file: the default, and the Windows folder is made by the first write.
    EXPECT_EQ(GetPrivateProfileString("S", "K", "none", buffer, sizeof buffer, "NEW.INI"), 4u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "v", "NEW.INI"));
    EXPECT_EQ(root.ReadFile("windows/NEW.INI"), "[S]\nK=v\n");
    EXPECT_EQ(fs::status(root / "windows/NEW.INI").permissions(), static_cast<fs::perms>(0664));

    // A path with a folder maps like any Windows path; its folder must exist.
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", "C:\\trevo\\trevo.ini"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    root.WriteFile("drive_c/trevo/trevo.ini", "[KELM Applications]\r\nBaseDrive=D:\r\n");
    EXPECT_EQ(GetPrivateProfileString("KELM Applications", "BaseDrive", "C:", buffer, sizeof buffer,
                                      "C:\\trevo\\trevo.ini"),
              2u);
    EXPECT_STREQ(buffer, "D:");
    // A file written with CR LF keeps them.
    ASSERT_TRUE(WritePrivateProfileString("KELM Applications", "BaseDirectory", "\\trevo",
                                          "c:/trevo/trevo.ini"));
    EXPECT_EQ(root.ReadFile("drive_c/trevo/trevo.ini"),
              "[KELM Applications]\r\nBaseDrive=D:\r\nBaseDirectory=\\trevo\r\n");
    EXPECT_EQ(ProfilePath("\\\\server\\share\\x.ini"), fs::path());
}

TEST_F(Profile, UnchangedWritesLeaveTheFileAlone) {
    root.WriteFile("windows/A.INI", "[S]\nK=v\n");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(root / "windows/A.INI", old);
    EXPECT_TRUE(WritePrivateProfileString("s", "k", "v", "A.INI"));
    EXPECT_TRUE(WritePrivateProfileString("S", "Other", nullptr, "A.INI"));
    EXPECT_TRUE(WritePrivateProfileString("Other", nullptr, nullptr, "A.INI"));
    EXPECT_EQ(fs::last_write_time(root / "windows/A.INI"), old);
    EXPECT_TRUE(WritePrivateProfileString("S", "K", "w", "A.INI"));
    EXPECT_NE(fs::last_write_time(root / "windows/A.INI"), old);
}

TEST_F(Profile, FilesBeyondTheBoundsReadAsMissingAndAreNotRewritten) {
    const std::string longLine = "[S]\nK=" + std::string(ProfileParser::kMaxLineLength, 'x') + "\n";
    root.WriteFile("windows/BIG.INI", longLine);
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileString("S", "K", "d", buffer, sizeof buffer, "BIG.INI"), 1u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", "BIG.INI"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_EQ(root.ReadFile("windows/BIG.INI"), longLine);

    std::string manyLines;
    for (std::size_t i = 0; i <= ProfileParser::kMaxLines; ++i) manyLines += "\n";
    ProfileDocument doc;
    EXPECT_FALSE(ProfileParser::Parse(
        std::span(reinterpret_cast<const std::uint8_t*>(manyLines.data()), manyLines.size()), doc));
    manyLines.pop_back();
    EXPECT_TRUE(ProfileParser::Parse(
        std::span(reinterpret_cast<const std::uint8_t*>(manyLines.data()), manyLines.size()), doc));
}

TEST_F(Profile, ConcurrentWritersLoseNoEntry) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 20;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int k = 0; k < kKeys; ++k) {
                std::string key = "T";
                key += std::to_string(t);
                key += 'K';
                key += std::to_string(k);
                EXPECT_TRUE(WritePrivateProfileString("Shared", key.c_str(), "1", "SHARED.INI"));
            }
        });
    }
    for (auto& w : writers) w.join();
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "T";
            key += std::to_string(t);
            key += 'K';
            key += std::to_string(k);
            EXPECT_EQ(GetPrivateProfileInt("Shared", key.c_str(), 0, "SHARED.INI"), 1u) << key;
        }
}
