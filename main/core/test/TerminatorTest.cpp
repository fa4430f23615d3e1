#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/Registry.h"
#include "core/RegistryDirect.h"
#include "core/Terminator.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"

using namespace platform;

namespace {

const std::string kApp = "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";

void Put(const std::string& path, const char* name, DWORD type, std::string_view bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void PutDword(const std::string& path, const char* name, DWORD value) {
    Put(path, name, REG_DWORD, std::string_view(reinterpret_cast<const char*>(&value), 4));
}

std::optional<std::string> Get(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    BYTE data[512];
    DWORD size = sizeof data;
    const LONG rc = RegQueryValueEx(key, name, nullptr, nullptr, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return std::string(reinterpret_cast<char*>(data), size);
}

std::string Dword(DWORD v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

struct Settings {
    const char* deviceType;
    std::optional<DWORD> deleteFormFeed, insertLineFeed, qSeparator, multipleFiles, finalLineFeeds;
    const char* eom;
};

struct Expected {
    std::string data;
    DWORD type;
    std::optional<std::string> field;
};

}  // namespace

TEST(Terminator, DefaultsFollowTheDeviceTypeAndSurviveTheStore) {
    const struct {
        const char* what;
        Settings settings;
        Expected expected;
    } cases[] = {
        {"interface queue, EOM line with line feeds",
         {"Interface Queue", 0, 1, 0, {}, {}, nullptr},
         {"\r\n*** EOM ***\xFF\r\n", 4, "~0D~0A*** EOM ***~FF~0D~0A"}},
        {"interface queue, EOM line",
         {"Interface Queue", 0, 0, {}, {}, {}, nullptr},
         {"\r*** EOM ***\xFF\r", 4, "~0D*** EOM ***~FF~0D"}},
        {"interface queue, form feed separator",
         {"Interface Queue", 0, 1, 1, {}, {}, nullptr},
         {"\f\n", 4, "~0C~0A"}},
        {"file, one file with an EOM text",
         {"File", 1, 1, {}, 0, {}, "END"},
         {"\r\nEND\r\n\f", 4, "~0D~0AEND~0D~0A~0C"}},
        {"file, one file per message", {"File", {}, {}, {}, 1, {}, "END"}, {"\r\n", 4, ""}},
        {"port printer keeping its form feed",
         {"Port Printer", 0, {}, {}, {}, 3, nullptr},
         {"\r\f", 1, {}}},
        {"port printer, no form feed, no line feeds",
         {"Port Printer", 1, {}, {}, {}, 0, nullptr},
         {"\r", 2, {}}},
        {"port printer, no form feed, three line feeds",
         {"Port Printer", 1, {}, {}, {}, 3, nullptr},
         {"\r\n\n\n", 3, {}}},
        {"no device type at all", {nullptr, {}, {}, {}, {}, {}, nullptr}, {"\r\f", 1, {}}},
        {"absurd line feed count is bounded",
         {"Port Printer", 1, {}, {}, {}, 0xFFFFFFFF, nullptr},
         {"\r" + std::string(255, '\n'), 3, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        support::TempRoot root;
        CRegistry::ForgetAccessMethod();
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        const std::string device = kApp + "\\Devices\\DEV1";
        const Settings& s = c.settings;
        PutDword(device, "Unrelated", 0);
        if (s.deviceType) Put(device, "Device Type", REG_SZ, s.deviceType);
        if (s.deleteFormFeed) PutDword(device, "Delete Form Feed", *s.deleteFormFeed);
        if (s.insertLineFeed) PutDword(device, "Insert Line Feed", *s.insertLineFeed);
        if (s.qSeparator) PutDword(device, "QSeperator", *s.qSeparator);
        if (s.multipleFiles) PutDword(device, "Multiple Files", *s.multipleFiles);
        if (s.finalLineFeeds) PutDword(device, "Final Line Feeds", *s.finalLineFeeds);
        if (s.eom) Put(device, "EOM", REG_SZ, s.eom);

        CRegistry device1;
        ASSERT_TRUE(device1.RegistryOpen(device, true));
        ASSERT_TRUE(GlobalRegistry().RegistryOpen(device, true));
        BuildTerminatorData(&device1);
        ASSERT_TRUE(GlobalRegistry().RegistryClose());

        EXPECT_EQ(Get(device, "Terminator Data"), c.expected.data);
        EXPECT_EQ(Get(device, "Terminator Type"), Dword(c.expected.type));
        EXPECT_EQ(Get(device, "Terminator Field"), c.expected.field);
        // Read back through the facade as a device does: every byte, 0xFF included.
        std::string stored;
        EXPECT_TRUE(device1.RegistryQueryString("Terminator Data", &stored, true, true));
        EXPECT_EQ(stored, c.expected.data);
    }
}

TEST(Terminator, AKeyThatHasTerminatorDataIsLeftAlone) {
    for (DWORD method : {0u, 1u}) {
        SCOPED_TRACE(method);
        support::TempRoot root;
        CRegistry::ForgetAccessMethod();
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        PutDword(kApp, "Reg Access Method", method);
        const std::string device = kApp + "\\Devices\\Q1";
        Put(device, "Device Type", REG_SZ, "Interface Queue");
        PutDword(device, "Insert Line Feed", 1);
        Put(device, "Terminator Data", REG_SZ, "#");
        CRegistry registry;
        ASSERT_TRUE(registry.RegistryOpen(device, true));
        BuildTerminatorData(&registry);
        EXPECT_EQ(Get(device, "Terminator Data"), "#");
        EXPECT_EQ(Get(device, "Terminator Type"), std::nullopt);

        // Without it, the services back end writes the same bytes as the direct one.
        const std::string other = kApp + "\\Devices\\Q2";
        Put(other, "Device Type", REG_SZ, "Interface Queue");
        CRegistry second;
        ASSERT_TRUE(second.RegistryOpen(other, true));
        ASSERT_TRUE(GlobalRegistry().RegistryOpen(other, true));
        BuildTerminatorData(&second);
        ASSERT_TRUE(GlobalRegistry().RegistryClose());
        EXPECT_EQ(Get(other, "Terminator Data"), "\r*** EOM ***\xFF\r");
    }
}
