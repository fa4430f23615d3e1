#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LogEntries.h"
#include "core/Registry.h"
#include "core/RegistryDirect.h"
#include "core/RegistryServices.h"
#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"

using namespace platform;

namespace {

const std::string kKey = "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";

struct Stored {
    DWORD type;
    std::string bytes;
    bool operator==(const Stored&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Stored& s) {
    return out << "type " << s.type << " '" << s.bytes << "' (" << s.bytes.size() << " bytes)";
}

// Direct access to the store, beside the facade.
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

std::optional<Stored> Get(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    BYTE data[1024];
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc = RegQueryValueEx(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return Stored{type, std::string(reinterpret_cast<char*>(data), size)};
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void MakeStoreReadOnly() {
    namespace fs = std::filesystem;
    fs::permissions(RegistryDir() / "HKEY_LOCAL_MACHINE.reg",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

std::unique_ptr<CRegistryBase> MakeBackEnd(int method) {
    if (method == 0) return std::make_unique<CRegistryDirect>();
    return std::make_unique<CRegistryServices>();
}

const char* Name(int method) {
    return method == 0 ? "CRegistryDirect" : "CRegistryServices";
}

class RegistryFacade : public support::TempRootTest {
protected:
    void SetUp() override {
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        CRegistry::ForgetAccessMethod();
    }
    std::size_t Mark() const { return ReadLogEntries().size(); }
};

std::string Dword(DWORD v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

}  // namespace

TEST_F(RegistryFacade, TheMethodValueChoosesTheBackEndOncePerProcess) {
    struct Case {
        std::optional<DWORD> method;
        const char* backEnd;
        const char* logged;
    };
    const Case cases[] = {
        {std::nullopt, "CRegistryDirect", "Setting registry type 0"},
        {0, "CRegistryDirect", "Setting registry type 0"},
        {1, "CRegistryServices", "Setting registry type 1"},
        {7, nullptr, "Setting registry type 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        support::TempRoot caseRoot;
        CRegistry::ForgetAccessMethod();
        if (c.method) Put(kKey, "Reg Access Method", REG_DWORD, Dword(*c.method));
        CRegistry registry;
        CRegistryBase* backEnd = registry.BackEnd();
        if (!c.backEnd) {
            EXPECT_EQ(backEnd, nullptr);
        } else if (std::string(c.backEnd) == "CRegistryDirect") {
            EXPECT_NE(dynamic_cast<CRegistryDirect*>(backEnd), nullptr);
        } else {
            EXPECT_NE(dynamic_cast<CRegistryServices*>(backEnd), nullptr);
        }
        EXPECT_EQ(
            LogTextsSince(0),
            std::vector<std::string>{std::string("CRegistry:CRegistry()   Time = T ") + c.logged});
        // Known now: a changed value and a second object change nothing, and nothing is logged.
        Put(kKey, "Reg Access Method", REG_DWORD, Dword(c.method.value_or(0) == 0 ? 1 : 0));
        CRegistry second;
        EXPECT_EQ(second.BackEnd() == nullptr, c.backEnd == nullptr);
        EXPECT_EQ(ReadLogEntries().size(), 1u);
    }
}

TEST_F(RegistryFacade, WithoutABackEndNothingReachesTheStore) {
    Put(kKey, "Reg Access Method", REG_DWORD, Dword(2));
    Put(kKey, "Name", REG_SZ, "old");
    CRegistry registry;
    std::string text = "default";
    DWORD number = 5;
    EXPECT_FALSE(registry.RegistryOpen(kKey, true));
    EXPECT_FALSE(registry.RegistryQueryString("Name", &text, false, false));
    EXPECT_FALSE(registry.RegistryQueryDWORD("Reg Access Method", &number, false, false));
    EXPECT_FALSE(registry.RegistrySetString("Name", "new", false, false));
    EXPECT_FALSE(registry.RegistryCreateKey("Sub", false));
    EXPECT_FALSE(registry.RegistryDeleteKey("Sub", false, false));
    EXPECT_FALSE(registry.RegistryClose());
    EXPECT_EQ(text, "default");
    EXPECT_EQ(number, 5u);
    EXPECT_EQ(Get(kKey, "Name"), (Stored{REG_SZ, "old"}));
    EXPECT_FALSE(KeyExists(kKey + "\\Sub"));
}

TEST_F(RegistryFacade, TheAccessLevelIsDecidedByTheFirstOpenThatTellsIt) {
    CRegistryDirect registry;
    // A key that is not there says nothing about access.
    EXPECT_FALSE(registry.RegistryOpen(kKey + "\\Missing", false));
    EXPECT_EQ(CRegistryBase::AccessLevel(), CRegistryBase::ACCESS_UNDECIDED);

    Put(kKey, "Count", REG_DWORD, Dword(3));
    MakeStoreReadOnly();
    ASSERT_TRUE(registry.RegistryOpen(kKey, true));
    EXPECT_EQ(CRegistryBase::AccessLevel(), CRegistryBase::ACCESS_READ);
    DWORD count = 0;
    EXPECT_TRUE(registry.RegistryQueryDWORD("Count", &count, true, true));
    EXPECT_EQ(count, 3u);

    // Below full access, writes fail silently whatever bRequired says; creates and deletes
    // report.
    const std::size_t mark = Mark();
    EXPECT_FALSE(registry.RegistrySetDWORD("Count", 4, false, true));
    EXPECT_FALSE(registry.RegistrySetString("Name", "x", true, true));
    EXPECT_EQ(ReadLogEntries().size(), mark);
    EXPECT_FALSE(registry.RegistryCreateKey("\\Sub", true));
    EXPECT_FALSE(registry.RegistryDeleteKey("Sub", false, true));
    EXPECT_EQ(LogTextsSince(mark),
              (std::vector<std::string>{
                  "CRegistryDirect::RegistryCreateKey(): RegCreateKeyEx(): RegistryError(): 'Sub', "
                  "Error:   Time = T (5) Access is denied.",
                  "CRegistryDirect::RegistryDeleteKey(): RegDeleteKey(): RegistryError(): 'Sub', "
                  "Error:   Time = T (5) Access is denied."}));

    // Decided once: a later open with full access does not change it.
    std::filesystem::permissions(RegistryDir() / "HKEY_LOCAL_MACHINE.reg",
                                 std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    ASSERT_TRUE(registry.RegistryOpen(kKey, true));
    EXPECT_EQ(CRegistryBase::AccessLevel(), CRegistryBase::ACCESS_READ);

    // No access at all: reads fail silently too, even when not required.
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_NONE);
    count = 9;
    EXPECT_FALSE(registry.RegistryQueryDWORD("Count", &count, false, true));
    EXPECT_EQ(count, 9u);
}

TEST_F(RegistryFacade, TheFirstSuccessfulOpenGivesFullAccessAndAFailedOneIsReported) {
    Put(kKey, "Count", REG_DWORD, Dword(3));
    CRegistryDirect registry;
    ASSERT_TRUE(registry.RegistryOpenAll(kKey, true));
    EXPECT_EQ(CRegistryBase::AccessLevel(), CRegistryBase::ACCESS_FULL);
    const std::size_t mark = Mark();
    EXPECT_FALSE(registry.RegistryOpen("Software\\Nope", true));
    EXPECT_FALSE(registry.RegistryOpen("Software\\Nope", false));
    EXPECT_EQ(LogTextsSince(mark),
              std::vector<std::string>{"CRegistryDirect::RegistryOpen(): RegOpenKeyEx(): "
                                       "RegistryError(): 'Software\\Nope', Error:   Time = T (2) "
                                       "The system cannot find the file specified."});
}

TEST_F(RegistryFacade, OpenAllDropsOneLeadingBackslashInBothBackEnds) {
    for (int method : {0, 1}) {
        SCOPED_TRACE(Name(method));
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        const std::string key = kKey + "\\" + Name(method);
        Put(key, "Where", REG_SZ, "K");
        auto registry = MakeBackEnd(method);
        ASSERT_TRUE(registry->RegistryOpenAll("\\" + key, true));
        std::string where;
        EXPECT_TRUE(registry->RegistryQueryString("Where", &where, true, true));
        EXPECT_EQ(where, "K");
        // Writes (and, through the service, the request's path) name the key itself.
        EXPECT_TRUE(registry->RegistrySetDWORD("Landed", 1, true, true));
        EXPECT_EQ(Get(key, "Landed"), (Stored{REG_DWORD, Dword(1)}));
        ASSERT_TRUE(registry->RegistryClose());

        // Only one: a path that still starts with a backslash names no key.
        const std::size_t mark = Mark();
        EXPECT_FALSE(registry->RegistryOpenAll("\\\\" + key, true));
        const auto texts = LogTextsSince(mark);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind(std::string(Name(method)) +
                                     "::RegistryOpenAll(): RegOpenKeyEx(): RegistryError(): '\\",
                                 0),
                  0u)
            << texts[0];
    }
}

TEST_F(RegistryFacade, ReadsDeliverWhatTheCallerCanHoldInBothBackEnds) {
    for (int method : {0, 1}) {
        SCOPED_TRACE(Name(method));
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        const std::string key = kKey + "\\" + Name(method);
        Put(key, "Long Text", REG_SZ, "Interface Queue");
        Put(key, "Short Text", REG_SZ, "File");  // stored without a terminating zero
        Put(key, "Zero Inside", REG_SZ, std::string("ab\0cd", 5));
        Put(key, "Two Bytes", REG_BINARY, "\x11\x22");
        Put(key, "Eight Bytes", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08");
        Put(key, "Too Long", REG_BINARY, std::string(300, 'x'));
        auto registry = MakeBackEnd(method);
        ASSERT_TRUE(registry->RegistryOpen(key, true));
        const std::string label =
            std::string(Name(method)) + "::RegistryQueryEx(): RegQueryValueEx():";

        std::string text;
        EXPECT_TRUE(registry->RegistryQueryString("Long Text", &text, true, true));
        EXPECT_TRUE(registry->RegistryQueryString("short text", &text, true, true));
        EXPECT_EQ(text, "File");
        EXPECT_TRUE(registry->RegistryQueryString("Zero Inside", &text, true, true));
        EXPECT_EQ(text, "ab");

        DWORD pair[2] = {0xAABBCCDD, 0x55555555};
        EXPECT_TRUE(registry->RegistryQueryDWORD("Two Bytes", &pair[0], true, true));
        EXPECT_EQ(pair[0], 0xAABB2211u);
        EXPECT_TRUE(registry->RegistryQueryDWORD("Eight Bytes", &pair[0], true, true));
        EXPECT_EQ(pair[0], 0x04030201u);
        EXPECT_EQ(pair[1], 0x55555555u);  // never more than a DWORD

        BYTE bytes[300];
        std::memset(bytes, 0xEE, sizeof bytes);
        EXPECT_TRUE(registry->RegistryQueryBinary("Two Bytes", bytes, 2, true, true));
        EXPECT_EQ(bytes[0], 0x11);
        EXPECT_EQ(bytes[2], 0xEE);  // only the caller's length
        EXPECT_TRUE(registry->RegistryQueryBinary("Eight Bytes", bytes, sizeof bytes, true, true));
        EXPECT_EQ(bytes[7], 0x08);
        EXPECT_EQ(bytes[255 + 1], 0xEE);  // at most the transfer buffer

        // Failures: bRequired decides the result, bLog the entry; the output is untouched.
        struct Failure {
            const char* name;
            bool required;
            bool log;
            bool result;
            std::vector<std::string> entries;
        };
        const std::string missing = label +
                                    " RegistryError(): 'Missing', Error:   Time = T (2) The "
                                    "system cannot find the file specified.";
        const std::string tooSmall =
            label + "  Time = T Output buffer is too small. Need 300 bytes.";
        const std::string tooLong = label +
                                    " RegistryError(): 'Too Long', Error:   Time = T (234) "
                                    "More data is available.";
        const Failure failures[] = {
            {"Missing", true, true, false, {missing}},
            {"Missing", false, true, true, {missing}},
            {"Missing", true, false, false, {}},
            {"Missing", false, false, true, {}},
            {"Too Long", true, true, false, {tooSmall, tooLong}},
            {"Too Long", false, false, true, {tooSmall}},
        };
        for (const auto& f : failures) {
            SCOPED_TRACE(std::string(f.name) + (f.required ? " required" : "") +
                         (f.log ? " logged" : ""));
            const std::size_t mark = Mark();
            DWORD number = 77;
            text = "default";
            EXPECT_EQ(registry->RegistryQueryDWORD(f.name, &number, f.required, f.log), f.result);
            EXPECT_EQ(number, 77u);
            EXPECT_EQ(LogTextsSince(mark), f.entries);
            EXPECT_EQ(registry->RegistryQueryString(f.name, &text, f.required, f.log), f.result);
            EXPECT_EQ(text, "default");
        }
        EXPECT_TRUE(registry->RegistryClose());
    }
}

TEST_F(RegistryFacade, DirectWritesStoreExactTypesAndSizesAndRefuseWhatDoesNotFit) {
    Put(kKey, "Seed", REG_DWORD, Dword(0));
    CRegistryDirect registry;
    ASSERT_TRUE(registry.RegistryOpen(kKey, true));
    EXPECT_TRUE(registry.RegistrySetString("Text", "abc", true, true));
    EXPECT_TRUE(registry.RegistrySetDWORD("Number", 0x10, true, true));
    const BYTE blob[] = {0x00, 0xFF, 0x00};
    EXPECT_TRUE(registry.RegistrySetBinary("Blob", blob, 3, true, true));
    EXPECT_TRUE(registry.RegistrySetString("Full", std::string(256, 's'), true, true));
    EXPECT_EQ(Get(kKey, "Text"), (Stored{REG_SZ, "abc"}));
    EXPECT_EQ(Get(kKey, "Number"), (Stored{REG_DWORD, Dword(0x10)}));
    EXPECT_EQ(Get(kKey, "Blob"), (Stored{REG_BINARY, std::string("\0\xFF\0", 3)}));
    EXPECT_EQ(Get(kKey, "Full")->bytes.size(), 256u);

    const std::size_t mark = Mark();
    const std::vector<BYTE> big(257, 0x42);
    EXPECT_FALSE(registry.RegistrySetString("Big", std::string(257, 'b'), false, true));
    EXPECT_FALSE(registry.RegistrySetBinary("Big", big.data(), 257, true, false));
    EXPECT_EQ(Get(kKey, "Big"), std::nullopt);
    EXPECT_EQ(LogTextsSince(mark),
              std::vector<std::string>{"CRegistryDirect::RegistrySetValueEx(): RegSetValueEx(): "
                                       "RegistryError(): 'Big', Error:   Time = T (122) The data "
                                       "area passed to a system call is too small."});

    // A failed store call: bRequired decides the result.
    ASSERT_TRUE(registry.RegistryClose());
    EXPECT_FALSE(registry.RegistrySetDWORD("Number", 1, true, false));
    EXPECT_TRUE(registry.RegistrySetDWORD("Number", 1, false, false));
    EXPECT_EQ(Get(kKey, "Number"), (Stored{REG_DWORD, Dword(0x10)}));
}

TEST_F(RegistryFacade, ServicesWritesGoThroughTheServiceAndReportOnlyTheirResult) {
    Put(kKey, "Seed", REG_DWORD, Dword(0));
    CRegistryServices registry;
    EXPECT_EQ(CRegistryBase::AccessLevel(), CRegistryBase::ACCESS_FULL);
    ASSERT_TRUE(registry.RegistryOpen(kKey, true));
    EXPECT_TRUE(registry.RegistrySetString("Text", "abc", true, true));
    EXPECT_TRUE(registry.RegistrySetDWORD("Number", 0x10, true, true));
    const BYTE blob[] = {0x0D, 0x00, 0xFF};
    EXPECT_TRUE(registry.RegistrySetBinary("Blob", blob, 3, true, true));
    EXPECT_EQ(Get(kKey, "Text"), (Stored{REG_SZ, "abc"}));
    EXPECT_EQ(Get(kKey, "Number"), (Stored{REG_DWORD, Dword(0x10)}));
    EXPECT_EQ(Get(kKey, "Blob"), (Stored{REG_SZ, std::string("\x0D\0\xFF", 3)}));
    BYTE back[3] = {};
    EXPECT_TRUE(registry.RegistryQueryBinary("Blob", back, 3, true, true));
    EXPECT_EQ(std::memcmp(back, blob, 3), 0);

    MakeStoreReadOnly();
    const std::size_t mark = Mark();
    EXPECT_FALSE(registry.RegistrySetDWORD("Number", 1, false, true));
    EXPECT_FALSE(registry.RegistrySetString("Text", "x", false, true));
    EXPECT_EQ(ReadLogEntries().size(), mark);
}

TEST_F(RegistryFacade, CreatesExtendTheCurrentKeyInEachBackEnd) {
    for (int method : {0, 1}) {
        SCOPED_TRACE(Name(method));
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        const std::string key = kKey + "\\" + Name(method);
        Put(key, "Where", REG_SZ, "K");
        auto registry = MakeBackEnd(method);
        ASSERT_TRUE(registry->RegistryOpen(key, true));
        ASSERT_TRUE(registry->RegistryCreateKey("\\A", true));
        ASSERT_TRUE(registry->RegistryCreateKey("B", true));
        ASSERT_TRUE(registry->RegistrySetDWORD("Landed", 1, true, true));
        EXPECT_EQ(Get(key + "\\A\\B", "Landed"), (Stored{REG_DWORD, Dword(1)}));
        std::string where;
        const bool read = registry->RegistryQueryString("Where", &where, true, false);
        if (method == 0) {
            EXPECT_FALSE(read);  // the open key is K\A\B
        } else {
            EXPECT_TRUE(read);  // reads stay with K
            EXPECT_EQ(where, "K");
        }
        ASSERT_TRUE(registry->RegistryClose());
        // After the close, a direct write has no key; a services write names an empty path.
        EXPECT_FALSE(registry->RegistrySetDWORD("After Close", 1, true, false));
    }
}

TEST_F(RegistryFacade, FailedCreatesAndDeletesAreReportedWithTheirLabels) {
    Put(kKey + "\\Parent\\Child", "V", REG_DWORD, Dword(1));
    for (int method : {0, 1}) {
        SCOPED_TRACE(Name(method));
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        auto registry = MakeBackEnd(method);
        ASSERT_TRUE(registry->RegistryOpen(kKey, true));
        std::size_t mark = Mark();
        EXPECT_FALSE(registry->RegistryDeleteKey("Parent", false, true));  // has a sub-key
        EXPECT_TRUE(KeyExists(kKey + "\\Parent\\Child"));
        const std::string deleteEntry =
            method == 0
                ? "CRegistryDirect::RegistryDeleteKey(): RegDeleteKey(): RegistryError(): "
                  "'Parent', Error:   Time = T (5) Access is denied."
                : "CRegistryServices::RegistryDeleteKey(): DeleteRegKey(): RegistryError(): "
                  "'Parent', Error:   Time = T (5) Access is denied.";
        EXPECT_EQ(LogTextsSince(mark), std::vector<std::string>{deleteEntry});
        EXPECT_FALSE(registry->RegistryDeleteKey("Parent", true, false));
        EXPECT_TRUE(registry->RegistryDeleteKey("\\Parent\\Child", true, true));
        EXPECT_FALSE(KeyExists(kKey + "\\Parent\\Child"));
        Put(kKey + "\\Parent\\Child", "V", REG_DWORD, Dword(1));
        ASSERT_TRUE(registry->RegistryClose());
    }

    // A refused create: the direct back end keeps its key, the services path stays extended.
    Put(kKey, "Where", REG_SZ, "K");
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
    CRegistryDirect direct;
    CRegistryServices services;
    ASSERT_TRUE(direct.RegistryOpen(kKey, true));
    ASSERT_TRUE(services.RegistryOpen(kKey, true));
    MakeStoreReadOnly();
    const std::size_t mark = Mark();
    EXPECT_FALSE(direct.RegistryCreateKey("\\New", true));
    EXPECT_FALSE(services.RegistryCreateKey("\\New", true));
    EXPECT_EQ(LogTextsSince(mark),
              (std::vector<std::string>{
                  "CRegistryDirect::RegistryCreateKey(): RegCreateKeyEx(): RegistryError(): 'New', "
                  "Error:   Time = T (5) Access is denied.",
                  "CRegistryServices::RegistryCreateKey(): RegCreateKeyEx(): RegistryError(): "
                  "'\\New', Error:   Time = T (5) Access is denied."}));
    std::string where;
    EXPECT_TRUE(direct.RegistryQueryString("Where", &where, true, true));
    EXPECT_EQ(where, "K");
    std::filesystem::permissions(RegistryDir() / "HKEY_LOCAL_MACHINE.reg",
                                 std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_TRUE(services.RegistrySetDWORD("Landed", 2, true, true));
    EXPECT_EQ(Get(kKey + "\\New", "Landed"), (Stored{REG_DWORD, Dword(2)}));
}

TEST_F(RegistryFacade, AStoreFileThatDoesNotParseIsReportedWithItsLine) {
    root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg",
                   "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=dword:1\n\"B\"=dword:zz\n");
    CRegistryDirect registry;
    EXPECT_FALSE(registry.RegistryOpen("Software", true));
    const auto texts = LogTextsSince(0);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("(1015) "), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("HKEY_LOCAL_MACHINE.reg: line 4: expected one to eight"),
              std::string::npos)
        << texts[1];
}

TEST_F(RegistryFacade, TheGlobalObjectIsOne) {
    EXPECT_EQ(&GlobalRegistry(), &GlobalRegistry());
    EXPECT_NE(CRegistry::DelRegValueMessage(), 0u);
    EXPECT_NE(CRegistry::ModifyRegValueMessage(), CRegistry::DelRegValueMessage());
}
