#include "devices/InterfaceQueueOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeReport.h"
#include "platform/FileOps.h"
#include "spoolkit/QFileReader.h"
#include "support/TempRoot.h"

using devices::CInterfaceQueueOutput;
using devices::CInterfaceQueueSettings;
namespace fs = std::filesystem;

namespace {

CInterfaceQueueSettings Settings(std::uint32_t nativeFormat, std::uint32_t queueType = 1) {
    CInterfaceQueueSettings s;
    s.strQueuePath = "C:\\SPL\\QWORK.SF";
    s.strQueueFolder = "C:\\SPL\\";
    s.dwNativeFormat = nativeFormat;
    s.wRecordCode = CInterfaceQueueOutput::RecordCode(queueType);
    return s;
}

// n bytes of filler with `name` at `at`.
std::string Message(std::size_t n, std::size_t at = 44, const std::string& name = "ABCDEF",
                    char fill = 'x') {
    std::string m(n, fill);
    if (at + name.size() <= n) m.replace(at, name.size(), name);
    return m;
}

class InterfaceQueueOutputTest : public support::TempRootTest {
protected:
    void SetUp() override { fs::create_directories(root / "drive_c/SPL"); }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root / "drive_c/SPL"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Read(const std::string& name) const {
        return root.ReadFile("drive_c/SPL/" + name).value_or("<missing>");
    }
    std::vector<spoolkit::QRecord> Records() const {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(platform::ReadWholeFile(root / "drive_c/SPL/QWORK.SF", bytes, 1 << 24));
        std::vector<spoolkit::QRecord> records;
        EXPECT_TRUE(spoolkit::ReadQFileRecords(bytes, records));
        return records;
    }

    FakeReport report;
};

}  // namespace

TEST_F(InterfaceQueueOutputTest, NativeFilesAreNamedFromTheMessageHeader) {
    const std::string ff = std::string(10, 'y') + "\xFF" + std::string(9, 'y');
    const std::string ffAsCr = std::string(10, 'y') + "\r" + std::string(9, 'y');
    const struct {
        const char* what;
        std::vector<std::string> buffers;  // the last one ends the message
        const char* file;
        std::string contents;
    } cases[] = {
        {"one buffer", {Message(120)}, "ABCDEF00", Message(120)},
        {"header completed before the last buffer",
         {Message(70, 55), std::string(50, 'z')},
         "ABCDEF00",
         Message(70, 55) + std::string(50, 'z')},
        {"header completed by the last buffer",
         {std::string(40, 'a'), Message(80, 4)},
         "ABCDEF00",
         std::string(40, 'a') + Message(80, 4)},
        {"0xFF in the last buffer", {Message(60) + ff}, "ABCDEF00", Message(60) + ffAsCr},
        {"last buffer after a header of more than 50 bytes",
         {Message(55), std::string(20, 'z')},
         "ABCDEF00",
         Message(55) + std::string(20, 'z')},
        {"more than 65535 bytes", {Message(70000)}, "ABCDEF00", Message(70000)},
        {"a header of exactly 50 bytes", {Message(50)}, "ABCDEF00", Message(50)},
        {"a header of exactly 61 bytes before the last buffer",
         {Message(61, 55), "zz"},
         "ABCDEF00",
         Message(61, 55) + "zz"},
        {"host bytes that name no file",
         {Message(120, 44, "AB/..\\")},
         "AB_.._00",
         Message(120, 44, "AB/..\\")},
    };
    for (std::uint32_t format : {1u, 2u}) {
        const std::string ext = format == 1 ? ".PNR" : ".FIL";
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ext);
            fs::remove_all(root / "drive_c/SPL");
            fs::create_directories(root / "drive_c/SPL");
            CInterfaceQueueOutput out(report, Settings(format));
            for (std::size_t i = 0; i < c.buffers.size(); ++i) {
                EXPECT_FALSE(fs::exists(root / "drive_c/SPL" / (c.file + ext)));
                ASSERT_TRUE(out.Write(c.buffers[i], i + 1 == c.buffers.size() ? 1 : 0));
            }
            EXPECT_EQ(Files(), std::vector<std::string>{c.file + ext});
            EXPECT_EQ(Read(c.file + ext), c.contents);
        }
    }
}

TEST_F(InterfaceQueueOutputTest, NumbersCountUpAndAllTakenGivesX) {
    CInterfaceQueueOutput out(report, Settings(1));
    ASSERT_TRUE(out.Write(Message(120), 1));
    ASSERT_TRUE(out.Write(Message(120), 1));
    EXPECT_EQ(Files(), (std::vector<std::string>{"ABCDEF00.PNR", "ABCDEF01.PNR"}));

    char name[32];
    for (int i = 2; i < 256; ++i) {
        std::snprintf(name, sizeof name, "drive_c/SPL/ABCDEF%02x.PNR", i);
        root.WriteFile(name, "taken");
    }
    ASSERT_TRUE(out.Write(Message(120, 44, "ABCDEF", 'q'), 1));
    EXPECT_EQ(Read("ABCDEFfX.PNR"), Message(120, 44, "ABCDEF", 'q'));
    EXPECT_EQ(Files().size(), 257u);
}

TEST_F(InterfaceQueueOutputTest, AShortMessageWaitsInTheHeaderOfItsOwnDeviceOnly) {
    CInterfaceQueueOutput first(report, Settings(1));
    FakeReport otherReport;
    CInterfaceQueueOutput second(otherReport, Settings(1));
    // Shorter than any header: nothing written, its bytes open the next message.
    ASSERT_TRUE(first.Write(std::string(30, 's'), 1));
    EXPECT_TRUE(Files().empty());
    ASSERT_TRUE(second.Write(Message(120, 44, "SECOND"), 1));
    EXPECT_EQ(Read("SECOND00.PNR"), Message(120, 44, "SECOND"));
    ASSERT_TRUE(first.Write(Message(100, 14, "FIRSTX"), 1));
    EXPECT_EQ(Read("FIRSTX00.PNR"), std::string(30, 's') + Message(100, 14, "FIRSTX"));
}

TEST_F(InterfaceQueueOutputTest, QueueFileGetsOneRecordPerBufferWithItsCode) {
    const struct {
        std::uint32_t queueType;
        std::uint16_t code;
    } types[] = {{1, 30}, {2, 27}, {7, 7}};
    for (const auto& t : types) {
        SCOPED_TRACE(t.queueType);
        fs::remove(root / "drive_c/SPL/QWORK.SF");
        CInterfaceQueueOutput out(report, Settings(0, t.queueType));
        const std::string big(70000, 'b');
        const std::string largest(CInterfaceQueueOutput::kMaxRecord, 'l');
        ASSERT_TRUE(out.Write("first", 0));
        ASSERT_TRUE(out.Write("end\xFF\r", 1));
        ASSERT_TRUE(out.Write(big, 1));
        ASSERT_TRUE(out.Write("", 1));
        ASSERT_TRUE(out.Write(largest, 1));
        const auto records = Records();
        ASSERT_EQ(records.size(), 6u);
        for (const auto& r : records) EXPECT_EQ(r.code, t.code);
        EXPECT_EQ(std::string(records[1].data.begin(), records[1].data.end()), "end\xFF\r");
        std::string joined(records[2].data.begin(), records[2].data.end());
        joined.append(records[3].data.begin(), records[3].data.end());
        EXPECT_EQ(joined, big);
        EXPECT_TRUE(records[4].data.empty());
        EXPECT_EQ(std::string(records[5].data.begin(), records[5].data.end()), largest);
    }
}

TEST_F(InterfaceQueueOutputTest, QueueFileThatCannotBeOpenedIsTriedAgain) {
    CInterfaceQueueSettings s = Settings(0);
    s.strQueuePath = "C:\\LATER\\QWORK.SF";
    CInterfaceQueueOutput out(report, s);
    EXPECT_FALSE(out.Write("lost", 1));
    EXPECT_EQ(report.LastError(), "#61223");
    fs::create_directories(root / "drive_c/LATER");
    ASSERT_TRUE(out.Write("kept", 1));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(root / "drive_c/LATER/QWORK.SF", bytes, 1024));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{30, 0, 4, 0, 'k', 'e', 'p', 't'}));
}

TEST_F(InterfaceQueueOutputTest, InpFileGrowsByEveryMessage) {
    root.WriteFile("drive_c/SPL/INP.FIL", "before|");
    CInterfaceQueueOutput out(report, Settings(3));
    ASSERT_TRUE(out.Write("a\xFF", 0));
    ASSERT_TRUE(out.Write("b\xFF|", 1));
    ASSERT_TRUE(out.Write("c", 1));
    EXPECT_EQ(Read("INP.FIL"),
              "before|a\xFF"
              "b\r|c");
}
