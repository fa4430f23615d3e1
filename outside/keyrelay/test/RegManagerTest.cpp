#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keyrelay/RegManager.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"

using namespace platform;

namespace {

class RegManager : public support::TempRootTest {};

// The value's type and bytes, or type 0 when it cannot be read.
std::pair<DWORD, std::string> Read(const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return {0, ""};
    BYTE data[64];
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc = RegQueryValueEx(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return {0, ""};
    return {type, std::string(reinterpret_cast<char*>(data), size)};
}

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace

TEST_F(RegManager, WritesAndKeyCreationsAreCarriedOutAndAnsweredWithZero) {
    struct Request {
        const char* path;
        const char* name;
        int type;
        std::string text;
        std::uint32_t number;
        int result;
        DWORD storedType;
        std::string stored;
    };
    const Request requests[] = {
        {"Software\\T\\Dev", "Count", CRegManager::TFR_DWORD, "", 0x01020304, 0, REG_DWORD,
         std::string("\x04\x03\x02\x01", 4)},
        {"Software\\T\\Dev", "Name", CRegManager::TFR_STRING, "LPT1", 0, 0, REG_SZ, "LPT1"},
        {"Software\\T\\Dev", "Bytes", CRegManager::TFR_STRING, std::string("\x0D\x00\xFF", 3), 0, 0,
         REG_SZ, std::string("\x0D\x00\xFF", 3)},
        {"Software\\T\\Dev\\A\\B", nullptr, CRegManager::TFR_STRING, "", 0, 0, 0, ""},
        {"", "Orphan", CRegManager::TFR_STRING, "x", 0, ERROR_INVALID_PARAMETER, 0, ""},
        {"Software\\T\\Dev", "Odd", 2, "x", 0, ERROR_INVALID_PARAMETER, 0, ""},
    };
    for (const auto& r : requests) {
        SCOPED_TRACE(r.name ? r.name : "(key)");
        CRegManager manager;
        manager.SetRegPathToModify(r.path);
        manager.SetRegKeyToModify(r.name);
        if (r.type == CRegManager::TFR_DWORD) {
            manager.SetDWORDDataToWrite(r.number);
        } else {
            manager.SetStringToWrite(r.text);
        }
        manager.SetTFRType(r.type);
        EXPECT_EQ(manager.SendToCfgSvrc(), r.result);
        if (r.name && r.result == 0) {
            EXPECT_EQ(Read(r.path, r.name), std::make_pair(r.storedType, r.stored));
        }
    }
    EXPECT_TRUE(KeyExists("Software\\T\\Dev\\A\\B"));
    EXPECT_EQ(Read("Software\\T\\Dev", "Odd").first, 0u);
}

TEST_F(RegManager, DeleteAnswersNonZeroOnlyWhenTheKeyWasDeleted) {
    CRegManager create;
    create.SetRegPathToModify("Software\\T\\A\\B");
    create.SetRegKeyToModify(nullptr);
    create.SetStringToWrite("");
    create.SetTFRType(CRegManager::TFR_STRING);
    ASSERT_EQ(create.SendToCfgSvrc(), 0);
    const struct {
        const char* path;
        bool deleted;
    } cases[] = {
        {"Software\\T\\A", false},  // has a sub-key
        {"Software\\T\\A\\Nope", false}, {"Software\\Nope\\X", false}, {"", false},
        {"Software\\T\\A\\B", true},     {"Software\\T\\A", true},
    };
    for (const auto& c : cases) {
        CRegManager manager;
        manager.SetRegPathToModify(c.path);
        EXPECT_EQ(manager.DeleteRegKey() != 0, c.deleted) << c.path;
    }
    EXPECT_FALSE(KeyExists("Software\\T\\A"));
    EXPECT_TRUE(KeyExists("Software\\T"));
}

TEST_F(RegManager, ARefusedStoreIsReportedAsNotDone) {
    CRegManager manager;
    manager.SetRegPathToModify("Software\\T");
    manager.SetRegKeyToModify("V");
    manager.SetDWORDDataToWrite(1);
    manager.SetTFRType(CRegManager::TFR_DWORD);
    ASSERT_EQ(manager.SendToCfgSvrc(), 0);
    std::filesystem::permissions(RegistryDir() / "HKEY_LOCAL_MACHINE.reg",
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read);
    manager.SetDWORDDataToWrite(2);
    EXPECT_EQ(manager.SendToCfgSvrc(), static_cast<int>(ERROR_ACCESS_DENIED));
    CRegManager remove;
    remove.SetRegPathToModify("Software\\T");
    EXPECT_EQ(remove.DeleteRegKey(), 0);
}
