// The interface queue page, its Change Path dialog and the folder checks they share.
#include <gtest/gtest.h>

#include <unistd.h>

#include "WizardFixture.h"
#include "core/Registry.h"
#include "wizard/FolderSelectDialog.h"
#include "wizard/Folders.h"
#include "wizard/Messages.h"
#include "wizard/PathExchange.h"
#include "wizard/VekaPrpInterfaceQueue.h"

using namespace wizardtest;
using wizard::CVekaPrpInterfaceQueue;
using wizard::FolderSelectDialog;

namespace {

using FolderCheck = WizardTest;
using InterfaceQueuePage = WizardTest;
using ChangePathDialog = WizardTest;

const std::string kNotADirectory = " is not a directory!\nPlease specify a valid directory.";

// A folder must be a folder of a drive that exists (upper-case letter), not a drive's root,
// and exist; a missing one is offered for making, and the check fails even when it was
// made. Nothing changes the process's current directory.
TEST_F(FolderCheck, FolderTexts) {
    char before[4096];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    std::filesystem::create_directories(root / "drive_d");
    const int none = -1;
    const struct {
        const char* text;
        int answer;  // to 61214, or none
        bool valid;
        std::vector<std::string> boxes;
        bool made;  // the folder is there afterwards, made by the check
    } cases[] = {
        {"", none, true, {}, false},
        {"C:\\SPL", none, true, {}, false},
        {"D:\\", none, false, {"D:\\" + kNotADirectory}, false},
        {"C:", none, false, {"C:" + kNotADirectory}, false},
        {"SPL", none, false, {"SPL" + kNotADirectory}, false},
        {"C\\SPL", none, false, {"C\\SPL" + kNotADirectory}, false},
        {"c:\\temp",
         none,
         false,
         {"c: is not a valid drive!\nPlease select a valid drive."},
         false},
        {"Q:\\SPL", none, false, {"Q: is not a valid drive!\nPlease select a valid drive."}, false},
        {"C:\\NEW", wizard::IDYES, false, {"Directory C:\\NEW not found, create? "}, true},
        {"C:\\NEW", none, true, {}, true},
        {"D:\\NO", uikit::IDCANCEL, false, {"Directory D:\\NO not found, create? "}, false},
        {"D:\\NO", none, false, {"Directory D:\\NO not found, create? "}, false},
        {"D:\\A\\B",
         wizard::IDYES,
         false,
         {"Directory D:\\A\\B not found, create? ",
          "Failed to create directory D:\\A\\B!\nPlease specify another path. "},
         false},
    };
    for (const auto& c : cases) {
        boxes.clear();
        if (c.answer != none) answers.push_back(c.answer);
        EXPECT_EQ(wizard::CheckFolder(c.text), c.valid) << c.text;
        EXPECT_EQ(boxes, c.boxes) << c.text;
        EXPECT_TRUE(!c.made || wizard::FolderExists(c.text)) << c.text;
    }
    EXPECT_FALSE(std::filesystem::exists(root / "drive_d/NO"));
    char after[4096];
    ASSERT_NE(::getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after);
}

TEST_F(InterfaceQueuePage, QueuePathOfTheFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\SPL", "\\SPL\\QWORK.SF"},
        {"D:\\A\\B", "\\A\\B\\QWORK.SF"},
        {"D:SPL", "\\SPL\\QWORK.SF"},
        {"D:", "\\\\QWORK.SF"},
    };
    for (const auto& [folder, path] : cases)
        EXPECT_EQ(CVekaPrpInterfaceQueue::QueuePathOf(folder), path) << folder;
}

// A new device starts at C:\SPL without a queue in the legacy format; an existing one shows
// its stored queue. The queue number names the queue; "<None>" names none.
TEST_F(InterfaceQueuePage, QueueNumberAndFolder) {
    PutDevice("Device 01", "Interface Queue", "I");
    PutString(kApp + "\\Device 01", "QueuePath", "\\OUT\\Q\\QWORK.SF");
    PutString(kApp + "\\Device 01", "QueueDrive", "D");
    PutDword(kApp + "\\Device 01", "QueueType", 2);
    PutDword(kApp + "\\Device 01", "NativeFormat", 3);
    std::filesystem::create_directories(root / "drive_d/OUT/Q");
    const struct {
        const char* key;
        const char* folder;
        int number;
        int format;
    } shown[] = {{"\\Device 01", "D:\\OUT\\Q", 2, 3},
                 {"\\Device 02", "C:\\SPL", 0, 0},
                 {"", "C:\\SPL", 0, 0}};
    for (const auto& c : shown) {
        CVekaPrpInterfaceQueue page;
        page.SetDeviceKey(c.key);
        uikit::MemoryPanel panel(page.Spec());
        page.OnInitDialog(panel);
        EXPECT_EQ(panel.GetText(CVekaPrpInterfaceQueue::IDC_PATH), c.folder) << c.key;
        EXPECT_EQ(panel.Selected(CVekaPrpInterfaceQueue::IDC_QUEUE_NUMBER), c.number) << c.key;
        EXPECT_EQ(panel.Selected(CVekaPrpInterfaceQueue::IDC_FILE_FORMAT), c.format) << c.key;
    }

    CVekaPrpInterfaceQueue page;
    uikit::MemoryPanel panel(page.Spec());
    page.OnInitDialog(panel);
    EXPECT_EQ(panel.RowText(CVekaPrpInterfaceQueue::IDC_FILE_FORMAT, 2, 0),
              "     *.FIL          [IQR w/ CRLF]");
    const struct {
        int number;
        const char* folder;
        const char* name;
        const char* drive;
    } next[] = {
        {1, "C:\\SPL", "\\KBO\\@Trevo30", "C"},
        {2, "D:\\OUT\\Q", "\\KBO\\@Trevo27", "D"},
        {0, "C:\\SPL", "", "C"},
    };
    for (const auto& c : next) {
        panel.Select(CVekaPrpInterfaceQueue::IDC_QUEUE_NUMBER, c.number);
        panel.SetText(CVekaPrpInterfaceQueue::IDC_PATH, c.folder);
        EXPECT_EQ(page.OnWizardNext(panel), 106);
        EXPECT_EQ(page.GetQueueName(), c.name);
        EXPECT_EQ(page.GetQueueDrive(), c.drive);
        EXPECT_EQ(page.GetQueueNumber(), c.number);
    }
    EXPECT_TRUE(boxes.empty());
}

// The format read on a change of selection reads every control: an empty folder says so.
// Next keeps the page on a bad folder, with one message.
TEST_F(InterfaceQueuePage, ControlsReadOnChangeAndNext) {
    CVekaPrpInterfaceQueue page;
    uikit::MemoryPanel panel(page.Spec());
    page.OnInitDialog(panel);
    panel.Select(CVekaPrpInterfaceQueue::IDC_FILE_FORMAT, 1);
    page.OnCommand(CVekaPrpInterfaceQueue::IDC_FILE_FORMAT, panel);
    EXPECT_EQ(page.GetFileFormat(), 1);
    panel.SetText(CVekaPrpInterfaceQueue::IDC_PATH, "");
    panel.Select(CVekaPrpInterfaceQueue::IDC_FILE_FORMAT, 4);
    page.OnCommand(CVekaPrpInterfaceQueue::IDC_FILE_FORMAT, panel);
    EXPECT_EQ(boxes, std::vector<std::string>{"No path specified! \nPlease specify a valid path."});
    EXPECT_EQ(page.GetFileFormat(), 1);
    boxes.clear();
    panel.SetText(CVekaPrpInterfaceQueue::IDC_PATH, "C:\\");
    EXPECT_EQ(page.OnWizardNext(panel), -1);
    EXPECT_EQ(boxes, std::vector<std::string>{"C:\\" + kNotADirectory});
    panel.SetText(CVekaPrpInterfaceQueue::IDC_PATH, "C:\\SPL");
    EXPECT_EQ(page.OnWizardNext(panel), 106);
    EXPECT_EQ(page.GetFileFormat(), 4);
}

// Saving makes the folder and the drive's KBO folder, then writes the queue in its order.
TEST_F(InterfaceQueuePage, SavedWithItsFolders) {
    std::filesystem::create_directories(root / "drive_d/SPL");
    CVekaPrpInterfaceQueue page;
    uikit::MemoryPanel panel(page.Spec());
    page.OnInitDialog(panel);
    panel.Select(CVekaPrpInterfaceQueue::IDC_QUEUE_NUMBER, 1);
    panel.SetText(CVekaPrpInterfaceQueue::IDC_PATH, "D:\\SPL");
    ASSERT_EQ(page.OnWizardNext(panel), 106);
    std::filesystem::remove(root / "drive_d/SPL");
    PutDevice("Device 01", "Interface Queue", "I");
    CRegistry reg;
    ASSERT_TRUE(reg.RegistryOpen(kApp + "\\Device 01", false));
    page.Save(reg);
    static_cast<void>(reg.RegistryClose());
    const std::string key = kApp + "\\Device 01";
    EXPECT_EQ(Get(key, "QueueName"), "\\KBO\\@Trevo30");
    EXPECT_EQ(Get(key, "QueuePath"), "\\SPL\\QWORK.SF");
    EXPECT_EQ(Get(key, "QueueDrive"), "D");
    EXPECT_EQ(Get(key, "NativeFormat"), "0");
    EXPECT_EQ(Get(key, "QueueType"), "1");
    const auto names = ValueNames(key);
    EXPECT_EQ(std::vector<std::string>(names.end() - 5, names.end()),
              (std::vector<std::string>{"QueueName", "QueuePath", "QueueDrive", "NativeFormat",
                                        "QueueType"}));
    EXPECT_TRUE(std::filesystem::is_directory(root / "drive_d/SPL"));
    EXPECT_TRUE(std::filesystem::is_directory(root / "drive_d/KBO"));
    EXPECT_TRUE(boxes.empty());

    // Folders that cannot be made are reported; the values are written all the same.
    std::filesystem::remove_all(root / "drive_d");
    PutDevice("Device 02", "Interface Queue", "J");
    ASSERT_TRUE(reg.RegistryOpen(kApp + "\\Device 02", false));
    page.Save(reg);
    static_cast<void>(reg.RegistryClose());
    EXPECT_EQ(boxes, (std::vector<std::string>{"Failed to create SPL directory.",
                                               "Failed to create KBO directory."}));
    EXPECT_EQ(Get(kApp + "\\Device 02", "QueueDrive"), "D");
}

// Change Path: the drives there are, the folder made on the way, and what Cancel keeps.
TEST_F(ChangePathDialog, DrivesOkAndCancel) {
    std::filesystem::create_directories(root / "drive_a");
    std::filesystem::create_directories(root / "drive_z");
    std::filesystem::create_directories(root / "drive_d");
    FolderSelectDialog dialog;
    dialog.SetPath("D:\\NEW");
    uikit::MemoryPanel panel(dialog.Spec());
    dialog.OnInitDialog(panel);
    EXPECT_EQ(panel.Rows(FolderSelectDialog::IDC_DRIVES),
              (std::vector<std::vector<std::string>>{{"C:\\"}, {"D:\\"}, {"Z:\\"}}));
    EXPECT_EQ(panel.Selected(FolderSelectDialog::IDC_DRIVES), 1);

    // A missing folder answered Yes is made; the dialog stays until OK finds it.
    answers.push_back(wizard::IDYES);
    dialog.OnCommand(uikit::IDOK, panel);
    EXPECT_FALSE(dialog.Ended());
    EXPECT_TRUE(std::filesystem::is_directory(root / "drive_d/NEW"));
    dialog.OnCommand(uikit::IDOK, panel);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.GetPath(), "D:\\NEW");

    // The drive list sets the folder; a typed one selects its drive.
    FolderSelectDialog second;
    second.SetPath("C:\\SPL");
    uikit::MemoryPanel other(second.Spec());
    second.OnInitDialog(other);
    other.Select(FolderSelectDialog::IDC_DRIVES, 2);
    second.OnCommand(FolderSelectDialog::IDC_DRIVES, other);
    EXPECT_EQ(other.GetText(FolderSelectDialog::IDC_PATH), "Z:\\");
    other.SetText(FolderSelectDialog::IDC_PATH, "D:\\MISSING");
    second.OnCommand(FolderSelectDialog::IDC_PATH, other);
    EXPECT_EQ(other.Selected(FolderSelectDialog::IDC_DRIVES), 1);
    // Cancel goes back to the folder it began with when the one typed is not there.
    second.OnCommand(uikit::IDCANCEL, other);
    EXPECT_EQ(second.GetPath(), "C:\\SPL");
    EXPECT_EQ(second.Result(), uikit::IDCANCEL);
}

// Create Directory: the form is checked first; an existing folder is said to exist.
TEST_F(ChangePathDialog, CreateDirectory) {
    FolderSelectDialog dialog;
    uikit::MemoryPanel panel(dialog.Spec());
    dialog.OnInitDialog(panel);
    const struct {
        const char* text;
        const char* box;  // none: made silently
    } cases[] = {
        {"", "No path specified! \nPlease specify a valid path."},
        {"C:\\", "C:\\ is not a directory!\nPlease specify a valid directory."},
        {"C:\\SPL", "Directory C:\\SPL already exist!"},
        {"C:\\MADE", nullptr},
        {"C:\\NO\\MADE", "Failed to create directory C:\\NO\\MADE!\nPlease specify another path. "},
    };
    for (const auto& c : cases) {
        boxes.clear();
        panel.SetText(FolderSelectDialog::IDC_PATH, c.text);
        dialog.OnCommand(FolderSelectDialog::IDC_CREATE_DIRECTORY, panel);
        EXPECT_EQ(boxes, c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
    }
    EXPECT_TRUE(std::filesystem::is_directory(root / "drive_c/MADE"));
}

// The page's Change Path runs the dialog on its folder and takes the dialog's folder back.
TEST_F(InterfaceQueuePage, ChangePath) {
    std::filesystem::create_directories(root / "drive_e/IQ");
    std::string started;
    uikit::SetModalRunner([&](uikit::IDialogModel& model) {
        uikit::MemoryPanel panel(model.Spec());
        model.OnInitDialog(panel);
        started = panel.GetText(FolderSelectDialog::IDC_PATH);
        panel.SetText(FolderSelectDialog::IDC_PATH, "E:\\IQ");
        model.OnCommand(FolderSelectDialog::IDC_PATH, panel);
        model.OnCommand(uikit::IDOK, panel);
        return model.Result();
    });
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_FULL);
    CVekaPrpInterfaceQueue page;
    uikit::MemoryPanel panel(page.Spec());
    page.OnInitDialog(panel);
    page.OnSetActive(panel);
    EXPECT_TRUE(panel.IsEnabled(CVekaPrpInterfaceQueue::IDC_CHANGE_PATH));
    page.OnCommand(CVekaPrpInterfaceQueue::IDC_CHANGE_PATH, panel);
    uikit::SetModalRunner(nullptr);
    EXPECT_EQ(started, "C:\\SPL");
    EXPECT_EQ(panel.GetText(CVekaPrpInterfaceQueue::IDC_PATH), "E:\\IQ");
    EXPECT_EQ(page.OnWizardNext(panel), 106);
    EXPECT_EQ(page.GetQueueDrive(), "E");
}

}  // namespace
