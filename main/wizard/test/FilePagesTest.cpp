// The file device's pages: the file type and folder (checked on this machine, the working
// directory untouched), the single and the multiple file pages' checks in their order, and
// an existing device's values loaded.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "WizardFixture.h"
#include "core/Registry.h"
#include "uikit/Dialog.h"
#include "wizard/VekaPrpFile.h"
#include "wizard/VekaPrpFileMult.h"
#include "wizard/VekaPrpFileSngl.h"

using namespace wizardtest;
using wizard::CVekaPrpFile;
using wizard::CVekaPrpFileMult;
using wizard::CVekaPrpFileSngl;

namespace {

constexpr int kStay = -1;

class FilePages : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        std::filesystem::create_directories(root / "drive_c" / "temp");
    }
    void TearDown() override {
        uikit::SetFolderChooser(nullptr);
        WizardTest::TearDown();
    }
};

std::string WorkingDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

TEST_F(FilePages, TheFolderMustExist) {
    std::filesystem::create_directories(root / "drive_d");
    const std::string cwd = WorkingDirectory();
    const struct {
        const char* folder;
        int type;  // list row
        int next;
        const char* message;
    } cases[] = {
        {"C:\\", 0, 238, nullptr},
        {"C:", 1, 239, nullptr},
        {"c:\\temp", 0, 238, nullptr},
        {"C:\\TEMP", 0, kStay, "The file location entered does not exist."},
        {"D:\\", 1, 239, nullptr},
        {"E:\\", 0, kStay, "The file location entered does not exist."},
        {"", 0, kStay, "A location for output of file(s) is required."},
        {"C:\\temp", -1, kStay, nullptr},  // no type chosen: logged only
    };
    for (const auto& c : cases) {
        boxes.clear();
        Shown<CVekaPrpFile> f;
        f.panel.SetText(CVekaPrpFile::IDC_FILE_LOCATION, c.folder);
        f.panel.Select(CVekaPrpFile::IDC_SELECT_FILE, c.type);
        EXPECT_EQ(f.Next(), c.next) << c.folder;
        EXPECT_EQ(boxes,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << c.folder;
        EXPECT_EQ(WorkingDirectory(), cwd);
    }
    EXPECT_EQ(LogLines("szFileLocation=E:\\").size(), 1u);
    EXPECT_EQ(LogLines("Selection not valid").size(), 1u);
}

// A new device starts with "Single" and the defaults' folder ("C:\" without one); an
// existing file device shows its own type and folder, any other device nothing of its own.
TEST_F(FilePages, FileTypeAndFolderLoaded) {
    PutDevice("Device 01", "File", "Multi");
    PutDword(kApp + "\\Device 01", "Multiple Files", 5);
    PutString(kApp + "\\Device 01", "File Location", "D:\\OUT");
    PutDevice("Device 02", "Queue", "Q");
    PutDword(kApp + "\\Device 02", "Multiple Files", 1);
    const struct {
        const char* key;
        const char* defaults;  // the defaults key's "File Location", if any
        const char* type;
        const char* folder;
    } cases[] = {
        {"", nullptr, "Single", "C:\\"},
        {"\\Device 09", "", "Single", "C:\\"},
        {"\\Device 09", "C:\\SPOOL", "Single", "C:\\SPOOL"},
        {"\\Device 01", "C:\\SPOOL", "Multiple", "D:\\OUT"},
        {"\\Device 02", nullptr, "Single", "C:\\SPOOL"},
    };
    for (const auto& c : cases) {
        if (c.defaults) PutString(kApp + "\\Defaults\\Device", "File Location", c.defaults);
        Shown<CVekaPrpFile> f(c.key);
        EXPECT_EQ(f.panel.RowText(CVekaPrpFile::IDC_SELECT_FILE,
                                  f.panel.Selected(CVekaPrpFile::IDC_SELECT_FILE), 0),
                  c.type)
            << c.key;
        EXPECT_EQ(f.panel.GetText(CVekaPrpFile::IDC_FILE_LOCATION), c.folder) << c.key;
    }
    EXPECT_EQ(CVekaPrpFile::GetFileType(2), "");
    EXPECT_EQ(LogLines("Out of bounds").size(), 1u);
}

// Browse: the chosen folder of this machine comes back in its Windows form below its drive;
// one outside every drive root is refused; a cancelled choice leaves the text. The button
// is off while the store cannot be written.
TEST_F(FilePages, BrowseGivesTheFolderBelowItsDrive) {
    std::filesystem::create_directories(root / "drive_d" / "OUT" / "Day 1");
    std::optional<std::string> answer;
    uikit::SetFolderChooser([&](const std::string& title) {
        EXPECT_EQ(title, "");
        return answer;
    });
    const struct {
        std::optional<std::string> chosen;
        const char* folder;
        const char* message;
    } cases[] = {
        {(root / "drive_d" / "OUT" / "Day 1").string(), "D:\\OUT\\Day 1", nullptr},
        {(root / "drive_d").string() + "/", "D:\\", nullptr},
        {std::nullopt, "C:\\temp", nullptr},
        {root.path().string(), "C:\\temp",
         " is not a directory!\nPlease specify a valid directory."},
        {"/", "C:\\temp", " is not a directory!\nPlease specify a valid directory."},
    };
    for (const auto& c : cases) {
        boxes.clear();
        answer = c.chosen;
        Shown<CVekaPrpFile> f;
        f.panel.SetText(CVekaPrpFile::IDC_FILE_LOCATION, "C:\\temp");
        f.page.OnCommand(CVekaPrpFile::IDC_BROWSE, f.panel);
        EXPECT_EQ(f.panel.GetText(CVekaPrpFile::IDC_FILE_LOCATION), c.folder);
        ASSERT_EQ(boxes.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(boxes[0], *c.chosen + c.message);
        }
    }
    EXPECT_TRUE(Shown<CVekaPrpFile>().panel.IsEnabled(CVekaPrpFile::IDC_BROWSE));
    CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_READ);
    Shown<CVekaPrpFile> f;
    EXPECT_FALSE(f.panel.IsEnabled(CVekaPrpFile::IDC_BROWSE));
}

TEST_F(FilePages, SingleFileChecksInOrder) {
    const std::string longName(65, 'N');
    const struct {
        std::string name, extension, size;
        int next;
        const char* message;
    } cases[] = {
        {"", "", "", kStay, "A file name is required."},
        {"VEKA", "", "", kStay, "A 3 character file type is required."},
        {"VEKA", "T", "", kStay, "The maximum size, in characters, for each file is required."},
        {"VEKA", "TX", "0", kStay, "The maximum file size specified is invalid."},
        {"VEKA", "TXT", "-5", kStay, "The maximum file size specified is invalid."},
        {"VEKA", "TXT", "0.5", kStay, "The maximum file size specified is invalid."},
        {"VEKA", "TXT", "x", kStay, "The maximum file size specified is invalid."},
        {"VEKA", "TXT", "9999999999", kStay, "The maximum file size specified is invalid."},
        {"VEKA", "TXT", "4294967295", 106, nullptr},
        {"VEKA", "A", "999", 106, nullptr},
        {longName, "TXT", "1", kStay, "Enter no more than 64 characters."},
        {"VEKA", "TEXT", "1", kStay, "Enter no more than 3 characters."},
        {"VEKA", "TXT", "12345678901", kStay, "Enter no more than 10 characters."},
    };
    for (const auto& c : cases) {
        boxes.clear();
        Shown<CVekaPrpFileSngl> s;
        s.panel.SetText(CVekaPrpFileSngl::IDC_FILE_NAME, c.name);
        s.panel.SetText(CVekaPrpFileSngl::IDC_FILE_EXT, c.extension);
        s.panel.SetText(CVekaPrpFileSngl::IDC_MAX_FILE_SIZE, c.size);
        EXPECT_EQ(s.Next(), c.next) << c.name << "/" << c.extension << "/" << c.size;
        EXPECT_EQ(boxes,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << c.size;
    }
}

TEST_F(FilePages, MultipleFileChecksInOrder) {
    const struct {
        std::string name, files, size;
        bool timeStamped;
        int next;
        const char* message;
    } cases[] = {
        {"", "", "", false, kStay, "A file name is required."},
        {"LOG", "", "", false, kStay, "The maximum allowed number of files is required."},
        {"LOG", "", "1", true, kStay, "The maximum allowed number of files is required."},
        {"LOG", "0", "", false, kStay, "The maximum number of files specified is invalid."},
        {"LOG", "-5", "", false, kStay, "The maximum number of files specified is invalid."},
        {"LOG", "999", "", false, kStay,
         "The maximum size, in characters, for each file is required."},
        {"LOG", "1", "0", false, kStay, "The maximum file size specified is invalid."},
        {"LOG", "1", "9999999999", false, kStay, "The maximum file size specified is invalid."},
        {"LOG", "999", "1", false, 106, nullptr},
        {"LOG", "999", "1", true, 106, nullptr},
        {"LOG", "1000", "1", false, kStay, "Enter no more than 3 characters."},
        {"JOURNALS", "1", "1", false, 106, nullptr},
        {"JOURNAL01", "1", "1", false, kStay, "Enter no more than 8 characters."},
    };
    for (const auto& c : cases) {
        boxes.clear();
        Shown<CVekaPrpFileMult> m;
        m.page.OnCommand(
            c.timeStamped ? CVekaPrpFileMult::IDC_TIME_STAMPED : CVekaPrpFileMult::IDC_INCREMENT,
            m.panel);
        EXPECT_EQ(m.panel.IsEnabled(CVekaPrpFileMult::IDC_MAX_FILES), !c.timeStamped);
        m.panel.SetText(CVekaPrpFileMult::IDC_FILE_NAME, c.name);
        m.panel.SetText(CVekaPrpFileMult::IDC_MAX_FILES, c.files);
        m.panel.SetText(CVekaPrpFileMult::IDC_MAX_FILE_SIZE, c.size);
        EXPECT_EQ(m.Next(), c.next) << c.name << "/" << c.files << "/" << c.size;
        EXPECT_EQ(boxes,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << c.files << "/" << c.size;
        EXPECT_EQ(m.page.GetExtensionKind(), c.timeStamped ? 1 : 0);
    }
}

// New devices get the string table's defaults; an existing file device its own values;
// another type's values are not taken.
TEST_F(FilePages, SingleAndMultipleDefaultsAndExistingDevices) {
    PutDevice("Device 01", "File", "Journal");
    PutString(kApp + "\\Device 01", "File Name", "JRN");
    PutDword(kApp + "\\Device 01", "Maximum File Size", 2048);
    PutString(kApp + "\\Device 01", "Single File Type", "LOG");
    PutDword(kApp + "\\Device 01", "Single File Append", 0);
    PutDword(kApp + "\\Device 01", "Multiple File Limit", 12);
    PutDword(kApp + "\\Device 01", "Extn. Type", 1);
    PutDevice("Device 02", "Named Pipe", "P");
    PutString(kApp + "\\Device 02", "File Name", "PIPE");
    using S = CVekaPrpFileSngl;
    using M = CVekaPrpFileMult;
    const struct {
        const char* key;
        std::vector<std::string> single;    // name, extension, if existing, size
        std::vector<std::string> multiple;  // name, files, size, kind
    } cases[] = {
        {"", {"VEKA", "000", "Append", "1024000"}, {"VEKA", "999", "1024000", "0"}},
        {"\\Device 02", {"VEKA", "000", "Append", "1024000"}, {"VEKA", "999", "1024000", "0"}},
        {"\\Device 01", {"JRN", "LOG", "Overwrite", "2048"}, {"JRN", "12", "2048", "1"}},
    };
    for (const auto& c : cases) {
        Shown<S> s(c.key);
        const int row = s.panel.Selected(S::IDC_IF_EXISTING);
        EXPECT_EQ((std::vector<std::string>{s.panel.GetText(S::IDC_FILE_NAME),
                                            s.panel.GetText(S::IDC_FILE_EXT),
                                            s.panel.RowText(S::IDC_IF_EXISTING, row, 0),
                                            s.panel.GetText(S::IDC_MAX_FILE_SIZE)}),
                  c.single)
            << c.key;
        Shown<M> m(c.key);
        EXPECT_EQ(
            (std::vector<std::string>{
                m.panel.GetText(M::IDC_FILE_NAME), m.panel.GetText(M::IDC_MAX_FILES),
                m.panel.GetText(M::IDC_MAX_FILE_SIZE), std::to_string(m.page.GetExtensionKind())}),
            c.multiple)
            << c.key;
        const bool stamped = c.multiple[3] == "1";
        EXPECT_EQ(m.panel.GetCheck(M::IDC_TIME_STAMPED), stamped);
        EXPECT_EQ(m.panel.GetCheck(M::IDC_INCREMENT), !stamped);
        EXPECT_EQ(m.panel.IsEnabled(M::IDC_MAX_FILES), !stamped);
    }
}

}  // namespace
