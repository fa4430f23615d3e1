// The passport reader end to end: a reader on a pseudo-terminal sends documents, the device
// writes each one's text to its file and types it into the subscribed window.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "core/OperatorQuestion.h"
#include "devices/DevicePassport.h"
#include "devices/PassportWindowEndpoint.h"
#include "platform/PortMap.h"
#include "platform/WholeLines.h"
#include "platform/WindowEndpoint.h"
#include "support/PtyPair.h"

namespace devkinds {
namespace {

const std::string kDocument = std::string("\x02") + "P<UTOSPECIMEN<<TEST" + std::string(25, '<') +
                              "\r" + "X123456780UTO7408120F3012310" + std::string(14, '<') + "00\r";
const std::string kText = "P/X12345678/UTO/12AUG74/F-SPECIMEN/TEST";

// A window that takes characters until it is closed.
class TestWindow final : public devices::IPassportWindow {
public:
    bool SendChar(std::uint8_t ch) override {
        std::lock_guard lock(m_cs);
        if (m_bClosed) return false;
        m_text += static_cast<char>(ch);
        return true;
    }
    std::string Text() const {
        std::lock_guard lock(m_cs);
        return m_text;
    }
    void Close() {
        std::lock_guard lock(m_cs);
        m_bClosed = true;
    }

private:
    mutable std::mutex m_cs;
    std::string m_text;
    bool m_bClosed = false;
};

class PassportReaderTest : public DeviceEndToEnd {
protected:
    void SetUp() override {
        DeviceEndToEnd::SetUp();
        platform::SetPortPath("COM7", line.path());
        devices::SetPassportWindow(window);
        root.WriteFile("drive_c/.keep", "");
    }
    void TearDown() override {
        device.reset();
        core::SetOperatorSink({});
        devices::SetPassportWindow(nullptr);
        platform::ClearPortPaths();
        DeviceEndToEnd::TearDown();
    }
    void Make(std::uint32_t vorsHost = 0, const char* file = "C:\\PASSPORT.TXT") {
        PutDword("SOFTWARE\\The TREVO Group\\Common TREVO API\\Routes\\Zel Route", "VORS Host",
                 vorsHost);
        const std::string key = DeviceKey();
        PutString(key, "Device Type", "Passport Reader");
        PutString(key, "Device Name", "Reader");
        PutString(key, "Port", "COM7");
        PutDword(key, "Baud Rate", 4800);
        PutDword(key, "Data Bits", 7);
        PutString(key, "Emulation", "");
        PutString(key, "Flow Control", "Xon/Xoff");
        PutString(key, "Parity", "Even");
        PutString(key, "Stop Bits", "1");
        PutString(key, "File Name", file);
        device = std::make_unique<devices::CDevicePassport>("Device 01");
        ASSERT_TRUE(device->IsConnected()) << device->GetLastError();
    }
    bool WaitWindow(const std::string& text) {
        return PumpUntil([&] { return window->Text() == text; });
    }

    support::PtyPair line;
    std::shared_ptr<TestWindow> window = std::make_shared<TestWindow>();
    std::unique_ptr<devices::CDevicePassport> device;
};

TEST_F(PassportReaderTest, ADocumentGoesToTheFileAndTheWindow) {
    Make();
    line.Send(kDocument);
    const std::string text = kText;
    ASSERT_TRUE(WaitWindow(text)) << window->Text();
    EXPECT_EQ(root.ReadFile("drive_c/PASSPORT.TXT"), text);

    // Not a document: nothing is handed on.
    root.WriteFile("drive_c/PASSPORT.TXT", "OLD");
    line.Send("\x02" + std::string("P<UTOX<<Y\r") + "X12345678\r");
    ASSERT_TRUE(PumpUntil([&] { return device->DocumentsRead() == 2; }));
    EXPECT_EQ(window->Text(), text);
    EXPECT_EQ(root.ReadFile("drive_c/PASSPORT.TXT"), "OLD");
    // A document replaces the file.
    line.Send(kDocument);
    ASSERT_TRUE(WaitWindow(text + text)) << window->Text();
    EXPECT_EQ(root.ReadFile("drive_c/PASSPORT.TXT"), text);
}

// Only a whole zone is handed on, whatever byte the reader starts it with.
TEST_F(PassportReaderTest, OnlyWholeZonesAreHandedOn) {
    Make();
    const std::string line1 = "P<UTOSPECIMEN<<TEST" + std::string(25, '<') + "\r";
    const std::string tail = "0F3012310" + std::string(14, '<') + "00\r";
    const struct {
        std::string document;
        bool bHanded;
    } cases[] = {
        {"%" + line1 + "X123456780UTO740812" + tail, true},
        {"\x02" + line1 + "X123456780UTO7408120\r", false},      // a second line of 20
        {"\x02" + line1 + "X123456780UTO741312" + tail, false},  // month 13
    };
    std::string expected;
    int n = 0;
    for (const auto& c : cases) {
        line.Send(c.document);
        ++n;
        ASSERT_TRUE(PumpUntil([&] { return device->DocumentsRead() == n; }));
        if (c.bHanded) expected += kText;
        EXPECT_EQ(window->Text(), expected) << c.document;
    }
}

// A file that cannot be made or written is logged, and shown only where there is a display
// to show it; the window gets the text all the same.
TEST_F(PassportReaderTest, AFileErrorIsLoggedAndTheWindowStillGetsTheText) {
    std::error_code ec;
    std::filesystem::create_symlink("/dev/full", root / "drive_c" / "FULL.TXT", ec);
    const bool bFull = !ec && std::filesystem::exists("/dev/full", ec);
    const struct {
        const char* file;
        bool bDisplay;
        const char* error;
    } cases[] = {
        {"C:\\NO-DIR\\PASSPORT.TXT", false, "Error in Opening the File : C:\\NO-DIR\\PASSPORT.TXT"},
        {"C:\\NO-DIR\\PASSPORT.TXT", true, "Error in Opening the File : C:\\NO-DIR\\PASSPORT.TXT"},
        {"C:\\FULL.TXT", false, "Error in writing the File : C:\\FULL.TXT"},
    };
    for (const auto& c : cases) {
        if (!bFull && c.file == cases[2].file) continue;  // no device that is always full
        SCOPED_TRACE(std::string(c.file) + (c.bDisplay ? ", display" : ", headless"));
        std::mutex cs;
        std::vector<std::string> boxes;
        if (c.bDisplay) {
            core::SetOperatorSink(
                [&](const std::string& text, const std::string& caption, std::uint32_t) {
                    std::lock_guard lock(cs);
                    boxes.push_back(caption + "|" + text);
                    return core::IDOK;
                });
        }
        window = std::make_shared<TestWindow>();
        devices::SetPassportWindow(window);
        Make(0, c.file);
        line.Send(kDocument);
        ASSERT_TRUE(WaitWindow(kText)) << window->Text();
        device.reset();
        core::SetOperatorSink({});
        const std::string log =
            platform::WholeLines::Of(root.ReadFile("log/veka.log").value_or(""));
        EXPECT_NE(log.find(c.error), std::string::npos);
        std::lock_guard lock(cs);
        if (c.bDisplay) {
            EXPECT_EQ(boxes, std::vector<std::string>{std::string("Error|") + c.error});
        } else {
            EXPECT_NE(log.find(std::string(c.error) + " (answered OK)"), std::string::npos);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(root / "drive_c" / "NO-DIR"));
}

TEST_F(PassportReaderTest, RawModePassesTheFirst250Characters) {
    Make(1);
    const std::string long1 = "\x02P<UTO" + std::string(300, 'A') + "\r";
    line.Send(long1);
    const std::string expected = "\x02P/UTO" + std::string(250 - 6, 'A');
    ASSERT_TRUE(WaitWindow(expected)) << window->Text().size();
}

TEST_F(PassportReaderTest, AGoneWindowIsForgotten) {
    Make();
    window->Close();
    line.Send(kDocument);
    ASSERT_TRUE(PumpUntil([] { return devices::GetPassportWindow() == nullptr; }));
    EXPECT_TRUE(root.ReadFile("drive_c/PASSPORT.TXT").has_value());
}

}  // namespace
}  // namespace devkinds

namespace devkinds {
namespace {

// The subscriber is a window of another program: the characters arrive there as WM_CHAR
// letters through the window endpoints; once that window is gone it is forgotten.
TEST_F(PassportReaderTest, ADocumentIsTypedIntoAWindowOfAnotherProgram) {
    auto sender = std::make_shared<platform::WindowEndpoint>();
    platform::WindowEndpoint reader;
    ASSERT_TRUE(sender->Bind());
    ASSERT_TRUE(reader.Bind());
    devices::SetPassportWindow(
        std::make_shared<devices::CPassportWindowEndpoint>(sender, reader.Handle()));
    Make();
    line.Send(kDocument);
    const std::string text = kText;
    std::string typed;
    ASSERT_TRUE(PumpUntil([&] {
        platform::WindowFrame f;
        static_cast<void>(sender->Receive(f));  // lets waiting letters go out
        while (reader.Receive(f)) {
            EXPECT_EQ(f.number, devices::CPassportWindowEndpoint::WM_CHAR);
            EXPECT_EQ(f.lParam, 0);
            EXPECT_EQ(f.sender, sender->Handle());
            typed += static_cast<char>(f.wParam);
        }
        return typed.size() >= text.size();
    }));
    EXPECT_EQ(typed, text);

    reader.Close();
    line.Send(kDocument);
    ASSERT_TRUE(PumpUntil([] { return devices::GetPassportWindow() == nullptr; }));
}

}  // namespace
}  // namespace devkinds
