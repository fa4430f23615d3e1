#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/DynamicLibrary.h"
#include "platform/Win32Error.h"

using namespace platform;

namespace {

struct NameCase {
    const char* windows;
    const char* file;  // below the plug-in folder; "" when refused
};

constexpr NameCase kNames[] = {
    {"QUILDRV.DLL", "QUILDRV.so"},
    {"quil2sp.dll", "quil2sp.so"},
    {"C:\\Program Files\\Trevo\\ArloDrv.Dll", "ArloDrv.so"},
    {"../elsewhere/ZELSP.DLL", "ZELSP.so"},
    {"VekaUtil", "VekaUtil.so"},
    {"C:QUILDRV.DLL", "QUILDRV.so"},
    {"", ""},
    {".DLL", ""},
    {"C:\\dir\\", ""},
    {"..", ""},
};

}  // namespace

TEST(DynamicLibrary, MapsWindowsLibraryNamesIntoThePluginFolder) {
    const std::string dir = PluginDirectory().string();
    ASSERT_FALSE(dir.empty());
    for (const NameCase& c : kNames) {
        SCOPED_TRACE(c.windows);
        const std::string expected = *c.file ? dir + "/" + c.file : "";
        EXPECT_EQ(MapLibraryName(c.windows).string(), expected);
    }
}

TEST(DynamicLibrary, ThePluginFolderIsBesideTheProgramUnlessNamed) {
    const char* named = std::getenv("TREVO_PLUGIN_DIR");
    const std::string saved = named ? named : "";
    ::unsetenv("TREVO_PLUGIN_DIR");
    const std::filesystem::path beside = PluginDirectory();
    if (named) ::setenv("TREVO_PLUGIN_DIR", saved.c_str(), 1);
    EXPECT_EQ(beside.filename(), "trevo");
    EXPECT_EQ(beside.parent_path().filename(), "lib");
    // The tests' plug-in folder is the build's, which is beside the test program.
    if (named) {
        EXPECT_EQ(beside, std::filesystem::weakly_canonical(saved));
    }
}

TEST(DynamicLibrary, BindsAllEntryPointsOrNone) {
    DynamicLibrary module;
    ASSERT_TRUE(module.Open(MapLibraryName("TrevoTestModule.DLL"))) << module.error();

    int (*twiceAndOne)(int) = nullptr;
    int (*hidden)(int) = nullptr;
    const SymbolBinding withHidden[] = {BindSymbol("TrevoTestTwiceAndOne", twiceAndOne),
                                        BindSymbol("TrevoTestHidden", hidden)};
    EXPECT_FALSE(module.Bind(withHidden));
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(twiceAndOne, nullptr) << "a refused bind must change nothing";
    EXPECT_NE(module.error().find("\"TrevoTestHidden\""), std::string::npos) << module.error();

    const SymbolBinding exported[] = {BindSymbol("TrevoTestTwiceAndOne", twiceAndOne)};
    ASSERT_TRUE(module.Bind(exported)) << module.error();
    ASSERT_NE(twiceAndOne, nullptr);
    EXPECT_EQ(twiceAndOne(20), 41);

    DynamicLibrary moved(std::move(module));
    EXPECT_FALSE(module.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_EQ(twiceAndOne(1), 3);
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(moved.Symbol("TrevoTestTwiceAndOne"), nullptr);
}

TEST(DynamicLibrary, AModuleKeptMappedKeepsItsStateAfterClose) {
    const auto path = MapLibraryName("TrevoTestModule.DLL");
    const auto countOnOpen = [&path](bool keepMapped) {
        DynamicLibrary module;
        int (*count)() = nullptr;
        const SymbolBinding binding[] = {BindSymbol("TrevoTestCount", count)};
        if (!module.Open(path, keepMapped) || !module.Bind(binding)) return -1;
        return count();
    };
    EXPECT_EQ(countOnOpen(false), 1);
    EXPECT_EQ(countOnOpen(false), 1);  // unloaded in between
    EXPECT_EQ(countOnOpen(true), 1);
    EXPECT_EQ(countOnOpen(false), 2);
    EXPECT_EQ(countOnOpen(false), 3);
}

TEST(DynamicLibrary, AMissingModuleGivesAClearError) {
    DynamicLibrary module;
    const auto path = MapLibraryName("NoSuchModule.DLL");
    EXPECT_FALSE(module.Open(path));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_NE(module.error().find(path.string()), std::string::npos) << module.error();
    EXPECT_FALSE(module.IsOpen());
}
