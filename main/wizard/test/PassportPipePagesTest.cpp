// The passport file page and the named pipe page.
#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "core/Registry.h"
#include "uikit/Dialog.h"
#include "wizard/VekaPrpNamedPipe.h"
#include "wizard/VekaPrpPassport.h"

using namespace wizardtest;
using wizard::CVekaPrpNamedPipe;
using wizard::CVekaPrpPassport;

namespace {

using PassportPage = WizardTest;
using NamedPipePage = WizardTest;

// A stored file is cut at its last "." and the "\" before it; one without either is all
// name, read without going past its ends.
TEST_F(PassportPage, StoredFileSplit) {
    const struct {
        const char* stored;
        const char* location;
        const char* name;
        const char* extension;
    } cases[] = {
        {"C:\\DATA\\PASS.TXT", "C:\\DATA", "PASS", "TXT"},
        {"C:\\PASS.TXT", "C:", "PASS", "TXT"},
        {"C:\\A.B\\PASS.", "C:\\A.B", "PASS", ""},
        {"C:\\DATA\\PASS", "", "C:\\DATA\\PASS", ""},
        {"PASS.TXT", "", "PASS.TXT", ""},
        {".", "", ".", ""},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        const auto parts = CVekaPrpPassport::SplitFileName(c.stored);
        EXPECT_EQ(parts.location, c.location) << c.stored;
        EXPECT_EQ(parts.name, c.name) << c.stored;
        EXPECT_EQ(parts.extension, c.extension) << c.stored;
    }
}

// Every visit shows the stored file again; Next checks name, extension, folder and that the
// folder exists, in this order, and goes on to the route page.
TEST_F(PassportPage, ShownAgainAndCheckedInOrder) {
    PutDevice("Device 01", "Passport Reader", "R");
    PutString(kApp + "\\Device 01", "File Name", "C:\\SPL\\PASS.TXT");
    CVekaPrpPassport page;
    page.SetDeviceKey("\\Device 01");
    uikit::MemoryPanel panel(page.Spec());
    page.OnInitDialog(panel);
    page.OnSetActive(panel);
    EXPECT_EQ(panel.GetText(CVekaPrpPassport::IDC_LOCATION), "C:\\SPL");
    EXPECT_EQ(panel.GetText(CVekaPrpPassport::IDC_FILE_NAME), "PASS");
    EXPECT_EQ(panel.GetText(CVekaPrpPassport::IDC_EXTENSION), "TXT");
    EXPECT_EQ(page.OnWizardNext(panel), 241);
    panel.SetText(CVekaPrpPassport::IDC_FILE_NAME, "OTHER");
    page.OnSetActive(panel);
    EXPECT_EQ(panel.GetText(CVekaPrpPassport::IDC_FILE_NAME), "PASS");

    const struct {
        const char* location;
        const char* name;
        const char* extension;
        const char* message;
    } cases[] = {
        {"", "", "", "A file name is required."},
        {"", "PASS", "", "A 3 character file type is required."},
        {"", "PASS", "T", "A location for output of file(s) is required."},
        {"C:\\NOPE", "PASS", "TXT", "The file location entered does not exist."},
        {"Q:\\", "PASS", "TXT", "The file location entered does not exist."},
        {"c:\\spl\\..\\SPL", "P", "T", nullptr},
        {"C:\\SPL", "PASSPORT1", "TXTX", nullptr},
    };
    for (const auto& c : cases) {
        boxes.clear();
        panel.SetText(CVekaPrpPassport::IDC_LOCATION, c.location);
        panel.SetText(CVekaPrpPassport::IDC_FILE_NAME, c.name);
        panel.SetText(CVekaPrpPassport::IDC_EXTENSION, c.extension);
        EXPECT_EQ(page.OnWizardNext(panel), c.message ? -1 : 241) << c.location;
        if (c.message) {
            EXPECT_EQ(boxes, std::vector<std::string>{c.message});
        }
    }
    // Longer texts than the fields hold are cut to them.
    EXPECT_EQ(page.GetFileName(), "PASSPORT");
    EXPECT_EQ(page.GetExtension(), "TXT");
    EXPECT_EQ(LogLines("CVekaPrpPassport::FileLocationExists():").size(), 2u);
    EXPECT_EQ(LogLines("szFileLocation=C:\\NOPE").size(), 1u);
}

// Browse takes a folder below a drive root as its Windows path; one elsewhere is no folder
// of a drive. Without write access to the store the button is disabled.
TEST_F(PassportPage, BrowseForTheFolder) {
    std::string chosen;
    uikit::SetFolderChooser([&](const std::string&) { return std::optional<std::string>(chosen); });
    std::filesystem::create_directories(root / "drive_d/Out put");
    CVekaPrpPassport page;
    uikit::MemoryPanel panel(page.Spec());
    page.OnSetActive(panel);
    const struct {
        std::filesystem::path folder;
        const char* location;
        const char* message;
    } cases[] = {
        {root / "drive_d/Out put", "D:\\Out put", nullptr},
        {root / "drive_c", "C:\\", nullptr},
        {root / "drive_c/SPL/../SPL/", "C:\\SPL", nullptr},
        {root / "windows", "C:\\SPL", "is not a directory!\nPlease specify a valid directory."},
    };
    for (const auto& c : cases) {
        boxes.clear();
        chosen = c.folder.string();
        page.OnCommand(CVekaPrpPassport::IDC_BROWSE, panel);
        EXPECT_EQ(panel.GetText(CVekaPrpPassport::IDC_LOCATION), c.location) << chosen;
        if (c.message) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0], chosen + " " + c.message);
        }
    }
    uikit::SetFolderChooser({});
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_READ);
    page.OnSetActive(panel);
    EXPECT_FALSE(panel.IsEnabled(CVekaPrpPassport::IDC_BROWSE));
}

// An existing named pipe device shows its pipe; a device of another type shows none. A name
// is required.
TEST_F(NamedPipePage, NameLoadedAndRequired) {
    PutDevice("Device 01", "Named Pipe", "P");
    PutString(kApp + "\\Device 01", "Pipe Name", "\\\\.\\PIPE\\trevo");
    PutDevice("Device 02", "File", "F");
    PutString(kApp + "\\Device 02", "Pipe Name", "stale");
    const struct {
        const char* key;
        const char* shown;
    } cases[] = {{"\\Device 01", "\\\\.\\PIPE\\trevo"}, {"\\Device 02", ""}, {"", ""}};
    for (const auto& c : cases) {
        boxes.clear();
        CVekaPrpNamedPipe page;
        page.SetDeviceKey(c.key);
        uikit::MemoryPanel panel(page.Spec());
        page.OnInitDialog(panel);
        EXPECT_EQ(panel.GetText(CVekaPrpNamedPipe::IDC_PIPE_NAME), c.shown) << c.key;
        EXPECT_EQ(page.OnWizardNext(panel), *c.shown ? 106 : -1);
        EXPECT_EQ(boxes.size(), *c.shown ? 0u : 1u);
        panel.SetText(CVekaPrpNamedPipe::IDC_PIPE_NAME, "pipe");
        EXPECT_EQ(page.OnWizardNext(panel), 106);
        EXPECT_EQ(page.GetPipeName(), "pipe");
    }
    EXPECT_EQ(boxes, std::vector<std::string>{"A Pipe name is required for this device"});
}

}  // namespace
