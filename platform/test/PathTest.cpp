#include <gtest/gtest.h>

#include <string>

#include "platform/Path.h"
#include "platform/Win32Error.h"
#include "support/TempRoot.h"

using namespace platform;

namespace {

struct PathCase {
    const char* windows;
    // Expected result; "@" stands for the machine root, "" for a refused name.
    const char* mapped;
};

constexpr PathCase kCases[] = {
    // Drive letters: the folder is lower case, the names keep their case.
    {"C:\\SPL\\Queue.Dat", "@/drive_c/SPL/Queue.Dat"},
    {"d:/Data/x", "@/drive_d/Data/x"},
    {"C:\\Mixed/Seps\\\\double//x", "@/drive_c/Mixed/Seps/double/x"},
    {"C:", "@/drive_c"},
    {"C:\\", "@/drive_c"},
    {"C:trevo\\x", "@/drive_c/trevo/x"},
    {"\\trevo\\TREVO.INI", "@/drive_c/trevo/TREVO.INI"},
    // "." is dropped; ".." goes up but stops at the drive's root.
    {"C:\\a\\.\\b\\..\\c", "@/drive_c/a/c"},
    {"C:\\..\\..\\etc\\passwd", "@/drive_c/etc/passwd"},
    {"C:\\a\\..\\..\\b", "@/drive_c/b"},
    // Named pipes, PIPE in any case.
    {"\\\\.\\PIPE\\TrevoPipe", "@/run/pipe/TrevoPipe"},
    {"\\\\.\\pipe\\lower", "@/run/pipe/lower"},
    {"//./Pipe/fwd", "@/run/pipe/fwd"},
    {"\\\\.\\PIPE\\..\\..\\escape", "@/run/pipe/escape"},
    // Relative paths stay relative; ".." there belongs to the working folder.
    {"sub\\file.txt", "sub/file.txt"},
    {"..\\up\\x", "../up/x"},
    {"a\\..\\..\\b", "../b"},
    {".\\", "."},
    // Paths of this machine pass unchanged, but for the names joined on with '\'.
    {"/var/spool/x", "/var/spool/x"},
    {"/", "/"},
    {"/var/trevo/windows\\SESSION.INI", "/var/trevo/windows/SESSION.INI"},
    // Refused.
    {"", ""},
    {"\\\\server\\share\\x", ""},
    {"\\\\?\\C:\\x", ""},
    {"\\\\.\\COM1", ""},
    {"\\\\.\\PIPE\\", ""},
    {"\\\\.\\PIPE", ""},
    {"C:\\a:stream", ""},
    {"C:\\what?", ""},
    {"C:\\a\\b*", ""},
    {"C:\\x\x01y", ""},
    {"1:\\x", ""},
    {"rel\\<x>", ""},
};

}  // namespace

TEST(MapPath, MapsWindowsPathsUnderTheMachineRoot) {
    support::TempRoot root;
    const std::string base = root.path().string();
    for (const PathCase& c : kCases) {
        SCOPED_TRACE(c.windows);
        std::string expected = c.mapped;
        if (!expected.empty() && expected[0] == '@') expected = base + expected.substr(1);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(MapPath(c.windows).string(), expected);
        EXPECT_EQ(GetLastError(), expected.empty() ? ERROR_INVALID_NAME : ERROR_SUCCESS);
    }
    const std::string withNul("C:\\a\0b", 6);
    EXPECT_TRUE(MapPath(withNul).empty());
}
