// Scripted runs of the configuration sheet without a display, in the test's machine root:
// devices added through the device list's Add, each wizard driven page by page as an
// operator would, each route configured through the loopback provider's own configuration;
// then the records the program reads at its next start, value by value.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "WizardFixture.h"
#include "platform/Registry.h"
#include "support/LoopbackProvider.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/VekaPrp.h"
#include "wizard/VekaPrpAddPrp.h"
#include "wizard/VekaPrpDevices.h"

using namespace wizardtest;
using wizard::CVekaPrpAddPrp;
using C = wizard::CVekaPrpComplete;
using D = wizard::CVekaPrpDevice;

namespace {

// A stored value: its name, 'S' (a string, its bytes without the closing zero) or 'D' (a
// DWORD, in decimal), and its data.
struct Stored {
    std::string name;
    char kind = 0;
    std::string data;
    bool operator==(const Stored& other) const {
        return name == other.name && kind == other.kind && data == other.data;
    }
};

std::ostream& operator<<(std::ostream& out, const Stored& v) {
    out << '{' << v.name << ' ' << v.kind << ' ';
    for (const char c : v.data) {
        if (c >= ' ' && c < 127) {
            out << c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned char>(c));
            out << hex;
        }
    }
    return out << '}';
}

// The values of a key, in the order the store keeps them.
std::vector<Stored> Values(const std::string& path) {
    using namespace platform;
    std::vector<Stored> values;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0; i < 64; ++i) {
        char name[256];
        DWORD length = sizeof name;
        DWORD type = 0;
        BYTE data[1024];
        DWORD size = sizeof data;
        if (RegEnumValue(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        Stored v{std::string(name, length), '?', {}};
        if (type == REG_DWORD && size == 4) {
            std::uint32_t number = 0;
            std::memcpy(&number, data, 4);
            v.kind = 'D';
            v.data = std::to_string(number);
        } else if (type == REG_SZ) {
            v.kind = 'S';
            v.data.assign(reinterpret_cast<const char*>(data), size);
            if (!v.data.empty() && v.data.back() == '\0') v.data.pop_back();
        }
        values.push_back(v);
    }
    RegCloseKey(key);
    return values;
}

std::vector<std::string> NamesOf(const std::vector<Stored>& values) {
    std::vector<std::string> names;
    for (const Stored& v : values) names.push_back(v.name);
    return names;
}

class HeadlessRun : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        PutDword(kApp + "\\Defaults\\Device", "Maximum Devices Selectable", 20);
        PutString(kRoot + "\\Service Providers\\LOOPBACK", "DLL Name", support::kLoopbackDllName);
        ASSERT_NE(support::Loopback(), nullptr);
        support::Loopback()->Reset();
        PutDeviceManagerPrinter("TNV Desk", 1);
        PutDeviceManagerPrinter("ATB2 Desk", 2);
        // The route page, as the operator uses it: the loopback provider chosen, and its
        // configuration run when the page offers it (a passport reader's page does not).
        onPage[241] = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
            Choose(sheet, panel, C::IDC_PROVIDERS, support::kLoopbackProvider);
            if (panel.IsEnabled(C::IDC_CONFIGURE)) sheet.Command(C::IDC_CONFIGURE);
        };
        uikit::SetModalRunner([this](uikit::IDialogModel& model) {
            auto* sheet = dynamic_cast<CVekaPrpAddPrp*>(&model);
            if (!sheet) return uikit::IDCANCEL;
            uikit::MemorySheetSite site(*sheet);
            sheet->Attach(site);
            site.Active().SetText(D::IDC_DEVICE_NAME, m_name);
            Choose(*sheet, site.Active(), D::IDC_DEVICE_TYPE, m_type);
            for (int i = 0; i < 12 && sheet->ActivePage().TemplateId() != 481; ++i) {
                OperateOn(*sheet, site.Active());
                if (!sheet->Next()) break;
            }
            m_paths.push_back(site.ShownIds());
            EXPECT_TRUE(sheet->Finish()) << m_type;
            return sheet->Ended() ? sheet->Result() : uikit::IDCANCEL;
        });
        m_site.emplace(m_sheet);
        m_sheet.Attach(*m_site);
    }
    void TearDown() override {
        uikit::SetModalRunner(nullptr);
        support::Loopback()->Reset();
        WizardTest::TearDown();
    }

    // Add on the device list, the wizard run for a device of this name and type; the pages
    // it showed.
    std::vector<int> Add(const std::string& name, const std::string& type) {
        m_name = name;
        m_type = type;
        m_sheet.Command(wizard::CVekaPrpDevices::IDC_ADD);
        return m_paths.empty() ? std::vector<int>{} : m_paths.back();
    }
    std::vector<std::vector<std::string>> Rows() {
        return m_site->Active().Rows(wizard::CVekaPrpDevices::IDC_DEVICE_LIST);
    }

    wizard::CVekaPrp m_sheet{105, 0};
    std::optional<uikit::MemorySheetSite> m_site;
    std::string m_name;
    std::string m_type;
    std::vector<std::vector<int>> m_paths;
};

std::vector<Stored> Common(const std::string& name, const std::string& type,
                           const std::string& id) {
    return {{"Device Name", 'S', name},
            {"Device Type", 'S', type},
            {"Device Session", 'S', id},
            {"Host", 'S', ""},
            {"Enabled", 'D', "1"}};
}

std::vector<Stored> Join(std::vector<Stored> a, const std::vector<Stored>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A single-file device, an ATB2 printer on COM1 and a ticket printer of the device manager on
// its ticket form, each written in full, with its session and its route; the device count and
// the list follow.
TEST_F(HeadlessRun, DevicesAddedWithTheirRecords) {
    onPage[237] = [](uikit::CPropertySheet&, uikit::MemoryPanel& panel) {
        panel.SetText(wizard::CVekaPrpFile::IDC_FILE_LOCATION, "C:\\SPL");
    };
    onPage[235] = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
        Choose(sheet, panel, wizard::CVekaPrpPort::IDC_PORT_LIST, "COM1");
    };
    EXPECT_EQ(Add("Journal", "File"), (std::vector<int>{233, 237, 238, 106, 241, 481}));
    EXPECT_EQ(Add("Gate printer", "Printer (ATB2)"),
              (std::vector<int>{233, 235, 236, 106, 241, 481}));
    onPage[476] = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
        Choose(sheet, panel, wizard::CVekaPrpForm::IDC_FORM, "BSP-DE/CH/FR");
    };
    EXPECT_EQ(Add("Tickets", "Printer (TNV/KDM)"),
              (std::vector<int>{233, 102, 476, 106, 241, 481}));

    const std::vector<Stored> trailer = {{"Answer Back", 'D', "0"},
                                         {"Insert Line Feed", 'D', "1"},
                                         {"Terminator Type", 'D', "1"},
                                         {"Final Line Feeds", 'D', "0"}};
    EXPECT_EQ(Values(kApp + "\\Device 01"),
              Join(Join(Common("Journal", "File", "Device 01"), trailer),
                   {{"Terminator Field", 'S', "~0D~0A***EOM***~0D~0A~0C"},
                    {"Terminator Data", 'S', "\r\f"},
                    {"File Location", 'S', "C:\\SPL"},
                    {"File Name", 'S', "VEKA"},
                    {"Maximum File Size", 'D', "1024000"},
                    {"Multiple File Limit", 'D', "999"},
                    {"Multiple Files", 'D', "0"},
                    {"Single File Append", 'D', "1"},
                    {"Single File Type", 'S', "000"}}));
    EXPECT_EQ(Values(kApp + "\\Device 02"),
              Join(Join(Common("Gate printer", "Printer (ATB2)", "Device 02"), trailer),
                   {{"Terminator Field", 'S', "~0D~0A***EOM***~0C~0D~0A"},
                    {"Terminator Data", 'S', "\r\f"},
                    {"Baud Rate", 'D', "4800"},
                    {"Data Bits", 'D', "8"},
                    {"Emulation", 'S', "DTR"},
                    {"Flow Control", 'S', "None"},
                    {"Parity", 'S', "None"},
                    {"Port", 'S', "COM1"},
                    {"Protocol", 'S', ""},  // the hidden list: nothing chosen
                    {"Stop Bits", 'S', "1"}}));

    // No trailer of its own: no terminator field.
    EXPECT_EQ(Values(kApp + "\\Device 03"),
              Join(Join(Common("Tickets", "Printer (TNV/KDM)", "Device 03"), trailer),
                   {{"Terminator Data", 'S', "\r\f"},
                    {"Device Alias", 'S', "TNV Desk"},
                    {"Form", 'S', "BSP-DE/CH/FR"},
                    {"FormType", 'D', "85"},
                    {"FFPresent", 'D', "0"}}));

    for (const char* id : {"Device 01", "Device 02", "Device 03"}) {
        const std::string session = kRoot + "\\Sessions\\" + id;
        EXPECT_EQ(Values(session), (std::vector<Stored>{{"Default EndSystem", 'S', "TREVO"}}));
        EXPECT_EQ(Values(session + "\\TREVO"), (std::vector<Stored>{{"Route Name", 'S', id}}));
        // What the provider's configuration wrote, then the route page's and the end's own.
        EXPECT_EQ(Values(kRoot + "\\Routes\\" + id),
                  (std::vector<Stored>{{"Service Provider", 'S', "LOOPBACK"},
                                       {"Device Kind", 'D', "2"},
                                       {"Alias", 'S', id},
                                       {"End System", 'S', "TREVO"}}));
    }
    EXPECT_EQ(Values(kApp), (std::vector<Stored>{{"Devices Selected", 'D', "3"}}));
    EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{
                          {"Journal", "File", "Y", "Device 01"},
                          {"Gate printer", "Printer (ATB2)", "Y", "Device 02"},
                          {"Tickets", "Printer (TNV/KDM)", "Y", "Device 03"}}));
    EXPECT_TRUE(boxes.empty());
}

// Every device type added through Add, with the port, the file and the passport reader's
// file both ways: the pages the wizard shows and the names of the values its record holds,
// in the order they are written.
TEST_F(HeadlessRun, EveryTypeThroughAdd) {
    using Names = std::vector<std::string>;
    const Names common = {"Device Name", "Device Type", "Device Session", "Host", "Enabled"};
    const Names trailer = {"Answer Back",      "Insert Line Feed", "Terminator Type",
                           "Final Line Feeds", "Terminator Field", "Terminator Data"};
    const Names noField = {"Answer Back", "Insert Line Feed", "Terminator Type", "Final Line Feeds",
                           "Terminator Data"};
    const Names line = {"Baud Rate", "Data Bits", "Emulation", "Flow Control",
                        "Parity",    "Port",      "Protocol",  "Stop Bits"};
    const Names printer = {"Printer Name", "Font",         "Font Size",  "Orientation",
                           "MarginTop",    "MarginBottom", "MarginLeft", "MarginRight"};
    const Names form = {"Device Alias", "Form", "FormType", "FFPresent"};
    const Names single = {"File Location",       "File Name",      "Maximum File Size",
                          "Multiple File Limit", "Multiple Files", "Single File Append",
                          "Single File Type"};
    const std::vector<int> onCom = {233, 235, 236, 106, 241, 481};
    const auto lpt1 = [](uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel) {
        Choose(sheet, panel, wizard::CVekaPrpPort::IDC_PORT_LIST, "LPT1");
    };
    const auto multiple = [](uikit::CPropertySheet&, uikit::MemoryPanel& panel) {
        panel.Select(wizard::CVekaPrpFile::IDC_SELECT_FILE, 1);
    };
    const auto toFile = [](uikit::CPropertySheet&, uikit::MemoryPanel& panel) {
        panel.SetCheck(wizard::CVekaPrpPortCom::IDC_PASSPORT_TO_FILE, true);
    };
    const struct {
        const char* type;
        std::vector<int> pages;
        std::vector<Names> record;  // after the common values
        int onPageId = 0;
        PageInput input = nullptr;
    } cases[] = {
        {"Printer", onCom, {trailer, line}},
        {"Printer", {233, 235, 106, 241, 481}, {trailer, {"Port"}}, 235, lpt1},
        {"Printer (ATB2)", onCom, {trailer, line}},
        {"Printer (ATB2/Airline)", onCom, {noField, line}},
        {"Printer (ATB2-BAGTAG/Airline-TQX)", onCom, {noField, line}},
        {"Async-Mini", onCom, {noField, line}},
        {"Printer Mitosa SCN", onCom, {noField, line}},
        {"Printer Mitosa Hardcopy",
         {233, 235, 236, 106, 483, 241, 481},
         {noField, line, {"Bin Choice"}}},
        {"Passport Reader", onCom, {line}},
        {"Passport Reader", {233, 235, 236, 244, 241, 481}, {line, {"File Name"}}, 236, toFile},
        {"Printer (ATB2/KDM)", {233, 102, 476, 106, 241, 481}, {noField, {"Device Alias"}}},
        {"Printer (TNV/KDM)", {233, 102, 476, 106, 241, 481}, {noField, form}},
        {"Printer (KDM)", {233, 102, 476, 106, 241, 481}, {noField, form}},
        {"System", {233, 478, 106, 241, 481}, {trailer, printer}},
        {"Zeroziro", {233, 484, 106, 241, 481}, {noField, printer}},
        {"File", {233, 237, 238, 106, 241, 481}, {trailer, single}},
        {"File", {233, 237, 239, 106, 241, 481}, {trailer, single, {"Extn. Type"}}, 237, multiple},
        {"Queue", {233, 240, 106, 241, 481}, {noField, {"Queue Name", "Column Offset"}}},
        {"Interface Queue",
         {233, 107, 106, 241, 481},
         {{"Insert Line Feed", "Terminator Type", "Final Line Feeds", "Terminator Field",
           "Terminator Data"},
          {"QueueName", "QueuePath", "QueueDrive", "NativeFormat", "QueueType"}}},
        {"Named Pipe", {233, 480, 106, 241, 481}, {noField, {"Pipe Name"}}},
    };
    const PageInput route = onPage[241];
    std::vector<std::string> types;
    int n = 0;
    for (const auto& c : cases) {
        onPage.clear();
        onPage[241] = route;
        if (c.input) onPage[c.onPageId] = c.input;
        char id[16];
        std::snprintf(id, sizeof id, "Device %02d", ++n);
        EXPECT_EQ(Add(std::string("Desk ") + id, c.type), c.pages) << c.type;
        Names expected = common;
        for (const Names& part : c.record)
            expected.insert(expected.end(), part.begin(), part.end());
        EXPECT_EQ(NamesOf(Values(kApp + "\\" + id)), expected) << c.type;
        if (types.empty() || types.back() != c.type) types.push_back(c.type);
    }
    EXPECT_EQ(types.size(), 17u);
    EXPECT_EQ(Get(kApp, "Devices Selected"), std::to_string(n));
    EXPECT_EQ(Rows().size(), static_cast<std::size_t>(n));
    EXPECT_TRUE(LogLines("Unknown DeviceType").empty());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
