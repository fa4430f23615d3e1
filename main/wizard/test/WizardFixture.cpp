#include "WizardFixture.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "core/OperatorQuestion.h"
#include "core/Registry.h"
#include "notify/Notify.h"
#include "platform/Registry.h"
#include "res/VekaStringTable.h"
#include "wizard/PassportFlag.h"
#include "wizard/VekaPrpNamedPipe.h"
#include "wizard/VekaPrpPassport.h"
#include "wizard/VekaPrpQueue.h"

namespace wizardtest {

using namespace platform;

namespace {

HKEY Create(const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

class IdleLine : public SerialLine {
public:
    bool SetCommState(const Dcb& dcb) override {
        m_dcb = dcb;
        return true;
    }
    bool GetCommState(Dcb& dcb) override {
        dcb = m_dcb;
        return true;
    }
    bool SetCommTimeouts(const CommTimeouts&) override { return true; }
    bool SetupComm(DWORD, DWORD) override { return true; }
    bool SetCommMask(DWORD) override { return true; }
    bool WaitCommEvent(DWORD& events) override {
        events = 0;
        return true;
    }
    bool PurgeComm(DWORD) override { return true; }
    bool ClearCommError(DWORD& errors, ComStat*) override {
        errors = 0;
        return true;
    }
    bool GetCommModemStatus(DWORD& status) override {
        status = 0;
        return true;
    }
    bool EscapeCommFunction(DWORD) override { return true; }
    bool ReadFile(void*, DWORD, DWORD& read) override {
        read = 0;
        return true;
    }
    bool WriteFile(const void*, DWORD size, DWORD& written) override {
        written = size;
        return true;
    }
    bool FlushFileBuffers() override { return true; }
    void Cancel() override {}

private:
    Dcb m_dcb;
};

}  // namespace

std::unique_ptr<SerialLine> OpenIdleLine() {
    return std::make_unique<IdleLine>();
}

void PutString(const std::string& path, const char* name, const std::string& value) {
    HKEY key = Create(path);
    EXPECT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void PutDword(const std::string& path, const char* name, std::uint32_t value) {
    HKEY key = Create(path);
    EXPECT_EQ(RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::optional<std::string> GetBytes(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    BYTE data[1024];
    DWORD size = sizeof data;
    DWORD type = 0;
    const LONG rc = RegQueryValueEx(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    if (type == REG_DWORD && size == 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, data, 4);
        return std::to_string(v);
    }
    return std::string(reinterpret_cast<char*>(data), size);
}

std::optional<std::string> Get(const std::string& path, const char* name) {
    auto text = GetBytes(path, name);
    if (text && !text->empty() && text->back() == '\0') text->pop_back();
    return text;
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> ValueNames(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0; i < 100; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValue(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

void PutDevice(const std::string& id, const std::string& type, const std::string& name) {
    PutString(kApp + "\\" + id, "Device Type", type);
    PutString(kApp + "\\" + id, "Device Name", name);
    PutDword(kApp + "\\" + id, "Enabled", 1);
    PutString(kApp + "\\" + id, "Device Session", id);
}

void PutDeviceManagerPrinter(const std::string& name, std::uint32_t printerClass,
                             const std::string& port) {
    const std::string key = "Software\\The TREVO Group\\TREVODeviceManager\\Printers\\" + name;
    PutDword(key, "Class", printerClass);
    PutString(key, "Port", port);
}

std::vector<std::string> LogLines(const std::string& text) {
    std::istringstream in(Notify::ReadLog());
    std::vector<std::string> found;
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

int RowOf(const uikit::IControlPanel& panel, int id, const std::string& text) {
    for (int row = 0; row < panel.RowCount(id); ++row)
        if (panel.RowText(id, row, 0) == text) return row;
    return -1;
}

void Choose(uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel, int id,
            const std::string& text) {
    panel.Select(id, RowOf(panel, id, text));
    sheet.Command(id);
}

void WizardTest::OperateOn(uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
    using Passport = wizard::CVekaPrpPassport;
    const int id = sheet.ActivePage().TemplateId();
    if (id == 480) panel.SetText(wizard::CVekaPrpNamedPipe::IDC_PIPE_NAME, "Pipe");
    if (id == 244 && panel.GetText(Passport::IDC_FILE_NAME).empty()) {
        panel.SetText(Passport::IDC_LOCATION, "C:\\");
        panel.SetText(Passport::IDC_FILE_NAME, "PASSPORT");
        panel.SetText(Passport::IDC_EXTENSION, "TXT");
    }
    if (id == 240 && panel.GetText(wizard::CVekaPrpQueue::IDC_SELECTED).empty()) {
        panel.Select(wizard::CVekaPrpQueue::IDC_QUEUES, 0);
        sheet.Command(wizard::CVekaPrpQueue::IDC_QUEUES);
    }
    if (auto input = onPage.find(id); input != onPage.end()) input->second(sheet, panel);
}

void WizardTest::SetUp() {
    std::filesystem::create_directories(root / "drive_c/SPL");
    spooler.AddQueue("Laser");
    spooler.SetDefaultQueue("Laser");
    platform::SetPortBackend(&ports);
    res::RegisterVekaStrings();
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
    CRegistry::ForgetAccessMethod();
    // The program makes its keys when it starts.
    RegCloseKey(Create(kApp));
    wizard::SetPassportReaderFlag(false);
    core::SetOperatorSink([this](const std::string& text, const std::string&, std::uint32_t style) {
        boxes.push_back(text);
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 0xF) == 0 ? core::IDOK : core::IDCANCEL;
    });
}

void WizardTest::TearDown() {
    platform::SetPortBackend(nullptr);
    core::SetOperatorSink({});
}

}  // namespace wizardtest
