#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/MachineRoot.h"
#include "platform/Registry.h"
#include "platform/RegistryFileSystem.h"
#include "support/FakeClockScope.h"
#include "support/TempRoot.h"

using namespace platform;

namespace {

const char* const kVeka = "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";

std::filesystem::path StoreFile() {
    return RegistryDir() / "HKEY_LOCAL_MACHINE.reg";
}

HKEY Create(const char* path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path, 0, "", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    return key;
}

LONG SetString(HKEY key, const char* name, std::string_view text) {
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                         static_cast<DWORD>(text.size()));
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

struct stat Stat(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

class Registry : public support::TempRootTest {};

}  // namespace

TEST_F(Registry, CallsGiveTheResultsCallersRelyOn) {
    HKEY veka = Create(kVeka);
    ASSERT_NE(veka, nullptr);
    ASSERT_EQ(SetString(veka, "Device Type", "File"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(veka, "Reg Access Method", 1), ERROR_SUCCESS);
    const BYTE raw[] = {0x0D, 0x00, 0xFF};
    ASSERT_EQ(RegSetValueEx(veka, "Raw", 0, REG_SZ, raw, 3), ERROR_SUCCESS);
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKey(veka, "Devices\\LPT1", &sub), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKey(veka, "Devices\\FILE1", &sub), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(sub), ERROR_SUCCESS);

    HKEY read = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                           "SOFTWARE\\the trevo group\\Common TREVO API\\"
                           "Applications\\TREVO VEKA",
                           0, KEY_READ, &read),
              ERROR_SUCCESS);
    BYTE buffer[16];
    DWORD type = 0;
    DWORD size = 0;
    struct Query {
        const char* name;
        DWORD bufferSize;
        LONG rc;
        DWORD type;
        DWORD size;
        std::vector<BYTE> bytes;
    };
    const Query queries[] = {
        {"device type", 16, ERROR_SUCCESS, REG_SZ, 4, {'F', 'i', 'l', 'e'}},
        {"Device Type", 3, ERROR_MORE_DATA, REG_SZ, 4, {}},
        {"Reg Access Method", 4, ERROR_SUCCESS, REG_DWORD, 4, {1, 0, 0, 0}},
        {"Raw", 16, ERROR_SUCCESS, REG_SZ, 3, {0x0D, 0x00, 0xFF}},
        {"Missing", 16, ERROR_FILE_NOT_FOUND, 0, 16, {}},
    };
    for (const auto& q : queries) {
        SCOPED_TRACE(q.name);
        type = 0;
        size = q.bufferSize;
        std::memset(buffer, 0xAA, sizeof buffer);
        EXPECT_EQ(RegQueryValueEx(read, q.name, nullptr, &type, buffer, &size), q.rc);
        EXPECT_EQ(type, q.type);
        EXPECT_EQ(size, q.size);
        if (!q.bytes.empty()) {
            EXPECT_EQ(std::vector<BYTE>(buffer, buffer + q.bytes.size()), q.bytes);
        }
        if (q.rc == ERROR_MORE_DATA) {
            EXPECT_EQ(buffer[0], 0xAA);  // nothing copied
        }
    }
    size = 0;
    EXPECT_EQ(RegQueryValueEx(read, "Device Type", nullptr, nullptr, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);

    // Writes through a key opened for reading are refused.
    EXPECT_EQ(SetDword(read, "X", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValue(read, "Raw"), ERROR_ACCESS_DENIED);

    // Enumeration by index: sub-keys in name order, values in creation order, 259 at the end.
    HKEY devices = nullptr;
    ASSERT_EQ(RegOpenKeyEx(veka, "devices", 0, KEY_READ, &devices), ERROR_SUCCESS);
    char name[32];
    std::vector<std::string> names;
    for (DWORD i = 0; i < 10; ++i) {
        DWORD length = sizeof name;
        const LONG rc = RegEnumKeyEx(devices, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(length, std::strlen(name));
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"FILE1", "LPT1"}));
    DWORD shortLength = 4;
    EXPECT_EQ(RegEnumKeyEx(devices, 0, name, &shortLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    names.clear();
    for (DWORD i = 0; i < 10; ++i) {
        DWORD length = sizeof name;
        size = sizeof buffer;
        const LONG rc = RegEnumValue(veka, i, name, &length, nullptr, &type, buffer, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Device Type", "Reg Access Method", "Raw"}));
    DWORD length = sizeof name;
    size = 2;
    EXPECT_EQ(RegEnumValue(veka, 0, name, &length, nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);

    // Deletion: values, keys without sub-keys only.
    EXPECT_EQ(RegDeleteKey(veka, "Devices"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(veka, "Devices\\Nope"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(veka, "devices\\lpt1"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(veka, "Devices\\FILE1"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(veka, "Devices"), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyEx(devices, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValue(veka, "RAW"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(veka, "Raw"), ERROR_FILE_NOT_FOUND);
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyEx(veka, "Devices", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    // Names that cannot be stored are refused.
    EXPECT_EQ(RegCreateKey(veka, "a\\\\b", &sub), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetString(veka, "bad\nname", "x"), ERROR_INVALID_PARAMETER);

    for (HKEY key : {veka, read, devices}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(veka), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetDword(veka, "X", 1), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, CreatedNamesKeepTheirCaseInTheFile) {
    HKEY key = Create("Software\\MixedCase");
    HKEY again = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\MIXEDCASE\\Sub", 0, "", 0,
                             KEY_ALL_ACCESS, nullptr, &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetDword(key, "ValueName", 16), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "VALUENAME", 17), ERROR_SUCCESS);
    RegCloseKey(again);
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "software\\mixedcase", 0, "", 0, KEY_ALL_ACCESS,
                             nullptr, &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(again);
    RegCloseKey(key);
    const auto text = root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg");
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("[HKEY_LOCAL_MACHINE\\Software\\MixedCase\\Sub]\n"), std::string::npos);
    EXPECT_NE(text->find("\"ValueName\"=dword:00000011\n"), std::string::npos) << *text;
}

TEST_F(Registry, AccessFollowsTheFilePermissions) {
    HKEY key = Create(kVeka);
    ASSERT_EQ(SetDword(key, "Count", 1), ERROR_SUCCESS);
    ASSERT_EQ(::chmod(StoreFile().c_str(), 0444), 0);

    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_ALL_ACCESS, &other),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Nope", 0, KEY_ALL_ACCESS, &other),
              ERROR_FILE_NOT_FOUND);  // a missing key says so, whatever the access
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_READ, &other), ERROR_SUCCESS);
    RegCloseKey(other);
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, "", 0, KEY_ALL_ACCESS, nullptr, &other,
                             &disposition),
              ERROR_ACCESS_DENIED);
    // The plain create opens an existing key with what is allowed, and cannot make a new one.
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kVeka, &other), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(other, "Count", 2), ERROR_ACCESS_DENIED);
    RegCloseKey(other);
    EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, "Software\\New", &other), ERROR_ACCESS_DENIED);

    // The handle opened before: an unchanged write touches nothing and succeeds; a change
    // needs the file.
    EXPECT_EQ(SetDword(key, "Count", 1), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, "Count", 2), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

TEST_F(Registry, UnchangedWritesTouchNoFile) {
    HKEY key = Create(kVeka);
    ASSERT_EQ(SetDword(key, "Acknowledged", 7), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Name", "abc"), ERROR_SUCCESS);
    const struct stat before = Stat(StoreFile());
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(SetDword(key, "ACKNOWLEDGED", 7), ERROR_SUCCESS);
        ASSERT_EQ(SetString(key, "Name", "abc"), ERROR_SUCCESS);
    }
    HKEY same = nullptr;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kVeka, &same), ERROR_SUCCESS);
    RegCloseKey(same);
    const struct stat after = Stat(StoreFile());
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RegistryDir())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);  // the store file and its lock, no temporary left behind
    ASSERT_EQ(SetDword(key, "Acknowledged", 8), ERROR_SUCCESS);
    EXPECT_NE(Stat(StoreFile()).st_ino, before.st_ino);
    RegCloseKey(key);
}

TEST_F(Registry, ChangesMadeOutsideTheProcessAreSeenOnTheNextOpen) {
    HKEY key = Create(kVeka);
    ASSERT_EQ(SetDword(key, "Count", 1), ERROR_SUCCESS);
    RegCloseKey(key);
    // An administrator edits the file (same size, new contents).
    auto text = *root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg");
    const auto at = text.find("dword:00000001");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 14, "dword:00000002");
    root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", text);

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD value = 0;
    DWORD size = 4;
    ASSERT_EQ(
        RegQueryValueEx(key, "Count", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(value, 2u);
    // Writing back what the file already holds is no change.
    EXPECT_EQ(SetDword(key, "Count", 2), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Registry, AFileThatDoesNotParseIsReportedAndNeverOverwritten) {
    const struct {
        std::string text;
        const char* problem;
    } cases[] = {
        {"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n"
         "\"Keep\"=\"me\"\n\"Bad\"=dword:xyz\n",
         "HKEY_LOCAL_MACHINE.reg: line 5: expected one to eight"},
        // Cut short or emptied: a file the writer made always begins with its header.
        {"", "HKEY_LOCAL_MACHINE.reg: line 1: expected the header line"},
        {"[HKEY_LOCAL_MACHINE\\Software]\n\"Keep\"=\"me\"\n",
         "HKEY_LOCAL_MACHINE.reg: line 1: expected the header line"},
    };
    for (const auto& c : cases) {
        root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg", c.text);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key),
                  ERROR_REGISTRY_CORRUPT);
        EXPECT_NE(RegLastProblem().find(c.problem), std::string::npos) << RegLastProblem();
        EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, "Software\\New", &key), ERROR_REGISTRY_CORRUPT);
        EXPECT_EQ(root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg"), c.text);
    }
    // The other hive is its own file.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKey(HKEY_CLASSES_ROOT, "CLSID", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    // A missing file is an empty hive, not a damaged one, and reading it makes none.
    std::filesystem::remove(StoreFile());
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));
}

namespace {

// Counts every call the store makes on the file system.
class CountingFileSystem : public RegistryFileSystem {
public:
    CountingFileSystem() { SetRegistryFileSystem(this); }
    ~CountingFileSystem() override { SetRegistryFileSystem(nullptr); }
    std::vector<std::string> calls;

protected:
    void OnCall(std::string_view call) override { calls.emplace_back(call); }
};

}  // namespace

TEST_F(Registry, AnUnchangedWriteMakesNoSystemCall) {
    support::FakeClockScope clock;
    HKEY key = Create(kVeka);
    ASSERT_EQ(SetDword(key, "Acknowledged", 7), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Name", "abc"), ERROR_SUCCESS);
    // A record written at every acknowledgement opens its key for writing each time: the
    // open compares the copy with the file once, and what it found about the file's
    // permissions holds while the file is the same.
    auto openWriteClose = [] {
        HKEY again = nullptr;
        ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_ALL_ACCESS, &again),
                  ERROR_SUCCESS);
        ASSERT_EQ(SetDword(again, "Acknowledged", 7), ERROR_SUCCESS);
        RegCloseKey(again);
    };
    openWriteClose();
    CountingFileSystem fs;
    openWriteClose();
    openWriteClose();
    EXPECT_EQ(fs.calls, (std::vector<std::string>{"stat", "stat"}));
    fs.calls.clear();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(SetDword(key, "ACKNOWLEDGED", 7), ERROR_SUCCESS);
        ASSERT_EQ(SetString(key, "Name", "abc"), ERROR_SUCCESS);
    }
    EXPECT_TRUE(fs.calls.empty()) << fs.calls.front();
    // A millisecond later the file is looked at once more (an edit by hand shows so).
    clock.Advance(1);
    ASSERT_EQ(SetDword(key, "Acknowledged", 7), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Acknowledged", 7), ERROR_SUCCESS);
    EXPECT_EQ(fs.calls, std::vector<std::string>{"stat"});
    RegCloseKey(key);
}

// Process A holds the store's contents; B changes a value behind it within the same
// millisecond; A writing the old value again is a change, not a write to skip.
TEST_F(Registry, AWriteAfterAnotherProcessChangedTheValueIsNotSkipped) {
    support::FakeClockScope clock;  // A's millisecond never ends
    HKEY key = Create(kVeka);
    ASSERT_EQ(SetDword(key, "Last TSN", 1), ERROR_SUCCESS);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HKEY k = nullptr;
        const bool ok =
            RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS &&
            SetDword(k, "Last TSN", 2) == ERROR_SUCCESS;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(SetDword(key, "Last TSN", 1), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_NE(root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg")->find("\"Last TSN\"=dword:00000001"),
              std::string::npos);
}

namespace {

// Kills its process when the store is about to rename its temporary file over the hive.
class DyingBeforeRename : public RegistryFileSystem {
protected:
    void OnCall(std::string_view call) override {
        if (call == "rename") ::raise(SIGKILL);
    }
};

std::vector<std::string> Temporaries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(RegistryDir())) {
        if (entry.path().extension() == ".tmp") names.push_back(entry.path().filename());
    }
    return names;
}

}  // namespace

TEST_F(Registry, AWriterKilledBeforeItsRenameLeavesNothingBehind) {
    HKEY key = Create(kVeka);
    // A writer killed with its temporary file written and flushed, before its rename.
    for (int round = 0; round < 3; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            DyingBeforeRename dying;
            SetRegistryFileSystem(&dying);
            (void)SetDword(key, "Count", 100 + round);
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        // Each writer removes what the one killed before it left; its own stays.
        ASSERT_EQ(Temporaries().size(), 1u);
    }
    // The next writer that lives removes it too; the file is the last whole one.
    ASSERT_EQ(SetDword(key, "Count", 1), ERROR_SUCCESS);
    EXPECT_TRUE(Temporaries().empty());
    EXPECT_NE(root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg")->find("\"Count\"=dword:00000001"),
              std::string::npos);

    // What a writer killed between its temporary file and the rename leaves.
    root.WriteFile("registry/HKEY_LOCAL_MACHINE.reg.4242.0.tmp", "Windows Registry Editor");
    root.WriteFile("registry/HKEY_CLASSES_ROOT.reg.4242.1.tmp", "Windows Registry Editor");
    ASSERT_EQ(SetDword(key, "Count", 2), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(root / "registry/HKEY_LOCAL_MACHINE.reg.4242.0.tmp"));
    // Another hive's temporaries are that hive's writers' own.
    EXPECT_TRUE(std::filesystem::exists(root / "registry/HKEY_CLASSES_ROOT.reg.4242.1.tmp"));
    RegCloseKey(key);
}

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kEach = 100;
    HKEY key = Create(kVeka);
    RegCloseKey(key);
    // Each writer opens the key afresh for every value, as a second service instance would.
    auto writeAll = [](char who) {
        for (int i = 0; i < kEach; ++i) {
            HKEY k = nullptr;
            if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
                return false;
            char name[16];
            std::snprintf(name, sizeof name, "%c%03d", who, i);
            const LONG rc = SetDword(k, name, static_cast<DWORD>(i));
            RegCloseKey(k);
            if (rc != ERROR_SUCCESS) return false;
        }
        return true;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(writeAll('c') ? 0 : 1);
    const bool parentOk = writeAll('p');
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(parentOk);

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_READ, &key), ERROR_SUCCESS);
    int found = 0;
    for (char who : {'c', 'p'}) {
        for (int i = 0; i < kEach; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%c%03d", who, i);
            DWORD value = 0xFFFFFFFF;
            DWORD size = 4;
            if (RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                &size) == ERROR_SUCCESS &&
                value == static_cast<DWORD>(i))
                ++found;
        }
    }
    EXPECT_EQ(found, 2 * kEach);
    RegCloseKey(key);
    RegistryKey parsed;
    std::string error;
    const auto text = *root.ReadFile("registry/HKEY_LOCAL_MACHINE.reg");
    EXPECT_TRUE(
        RegistryFile::Parse({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                            "HKEY_LOCAL_MACHINE", parsed, error))
        << error;
}

TEST_F(Registry, ThreadsSharingTheStoreSeeEachOthersWrites) {
    constexpr int kThreads = 4;
    constexpr int kEach = 40;
    HKEY key = Create(kVeka);
    RegCloseKey(key);
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kEach; ++i) {
                HKEY k = nullptr;
                if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_ALL_ACCESS, &k) !=
                    ERROR_SUCCESS) {
                    ++failures[t];
                    continue;
                }
                const std::string name = "T" + std::to_string(t) + "-" + std::to_string(i);
                if (SetDword(k, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS)
                    ++failures[t];
                DWORD value = 0;
                DWORD size = 4;
                if (RegQueryValueEx(k, name.c_str(), nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
                    value != static_cast<DWORD>(i))
                    ++failures[t];
                RegCloseKey(k);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kVeka, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD count = 0;
    char name[32];
    for (DWORD i = 0; i < 1000; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        ++count;
    }
    EXPECT_EQ(count, static_cast<DWORD>(kThreads * kEach));
    RegCloseKey(key);
}
