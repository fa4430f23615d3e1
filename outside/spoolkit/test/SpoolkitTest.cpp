#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/File.h"
#include "platform/FileOps.h"
#include "platform/Win32Error.h"
#include "spoolkit/QFileReader.h"
#include "spoolkit/Spoolkit.h"
#include "support/TempRoot.h"

using spoolkit::QRecord;

namespace {

class SpoolkitTest : public support::TempRootTest {
protected:
    void SetUp() override { ASSERT_TRUE(platform::CreateDirectories(root / "drive_c/SPL")); }

    std::vector<QRecord> Records() {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(platform::ReadWholeFile(root / "drive_c/SPL/QWORK.SF", bytes, 1 << 26));
        std::vector<QRecord> records;
        EXPECT_TRUE(spoolkit::ReadQFileRecords(bytes, records));
        return records;
    }
};

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

}  // namespace

TEST_F(SpoolkitTest, RecordsAreAppendedInOrderWithTheirCodes) {
    std::vector<QRecord> written = {
        {30, Bytes("first buffer")},
        {27, {}},
        {30, Bytes(std::string("with\0zero\xFF\r", 11))},
        {0xFFFF, std::vector<std::uint8_t>(65535, 0x5A)},
    };
    const std::uint32_t handle = OpenQFile("C:\\SPL\\QWORK.SF");
    ASSERT_NE(handle, kQFileInvalidHandle);
    ASSERT_NE(handle, 0u);
    for (const auto& r : written)
        ASSERT_EQ(
            WriteQFile(handle, r.code, r.data.data(), static_cast<std::uint16_t>(r.data.size())),
            QFILE_OK);
    CloseQFile(handle);

    // A second opening appends behind what is there.
    const std::uint32_t again = OpenQFile("c:/SPL/QWORK.SF");
    ASSERT_NE(again, kQFileInvalidHandle);
    const auto tail = Bytes("tail");
    ASSERT_EQ(WriteQFile(again, 30, tail.data(), 4), QFILE_OK);
    CloseQFile(again);
    written.push_back({30, tail});
    EXPECT_EQ(Records(), written);
}

TEST_F(SpoolkitTest, RefusesWhatItCannotWrite) {
    EXPECT_EQ(OpenQFile("C:\\NOFOLDER\\QWORK.SF"), kQFileInvalidHandle);
    EXPECT_EQ(OpenQFile(nullptr), kQFileInvalidHandle);
    const std::uint8_t byte = 1;
    EXPECT_EQ(WriteQFile(12345, 30, &byte, 1), QFILE_BAD_HANDLE);
    const std::uint32_t handle = OpenQFile("C:\\SPL\\QWORK.SF");
    ASSERT_NE(handle, kQFileInvalidHandle);
    EXPECT_EQ(WriteQFile(handle, 30, nullptr, 3), QFILE_BAD_PARAMETER);
    CloseQFile(handle);
    EXPECT_EQ(WriteQFile(handle, 30, &byte, 1), QFILE_BAD_HANDLE);
    CloseQFile(handle);  // twice is harmless
    EXPECT_TRUE(Records().empty());
}

TEST_F(SpoolkitTest, WaitsForAnotherWriterAndGivesUpWhenItKeepsTheLock) {
    const std::uint32_t handle = OpenQFile("C:\\SPL\\QWORK.SF");
    ASSERT_NE(handle, kQFileInvalidHandle);
    platform::File other;  // another writer's opening of the same queue file
    ASSERT_TRUE(
        other.Open(root / "drive_c/SPL/QWORK.SF", platform::File::Disposition::OpenExisting));
    ASSERT_TRUE(other.Lock(0));
    const auto data = Bytes("late");
    EXPECT_EQ(WriteQFile(handle, 30, data.data(), 4), QFILE_LOCKED);
    other.Unlock();
    EXPECT_EQ(WriteQFile(handle, 30, data.data(), 4), QFILE_OK);
    CloseQFile(handle);
    EXPECT_EQ(Records(), (std::vector<QRecord>{{30, data}}));
}

TEST_F(SpoolkitTest, WritersOnSeveralHandlesAndThreadsNeverInterleave) {
    constexpr int kWriters = 4;
    constexpr int kRecords = 200;
    const std::uint32_t shared = OpenQFile("C:\\SPL\\QWORK.SF");
    ASSERT_NE(shared, kQFileInvalidHandle);
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([w, shared] {
            // Half the writers share one handle, the others open their own.
            const std::uint32_t handle = w % 2 == 0 ? shared : OpenQFile("C:\\SPL\\QWORK.SF");
            for (int i = 0; i < kRecords; ++i) {
                const std::vector<std::uint8_t> data(static_cast<std::size_t>(1 + i % 300),
                                                     static_cast<std::uint8_t>(i));
                EXPECT_EQ(WriteQFile(handle, static_cast<std::uint16_t>(w), data.data(),
                                     static_cast<std::uint16_t>(data.size())),
                          QFILE_OK);
            }
            if (handle != shared) CloseQFile(handle);
        });
    }
    for (auto& t : threads) t.join();
    CloseQFile(shared);
    const auto records = Records();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kWriters * kRecords));
    int next[kWriters] = {};
    for (const auto& r : records) {
        ASSERT_LT(r.code, kWriters);
        const int i = next[r.code]++;
        EXPECT_EQ(r.data, std::vector<std::uint8_t>(static_cast<std::size_t>(1 + i % 300),
                                                    static_cast<std::uint8_t>(i)));
    }
}

TEST(QFileReaderTest, StopsAtATornRecord) {
    const struct {
        std::vector<std::uint8_t> bytes;
        bool whole;
        std::size_t records;
    } cases[] = {
        {{}, true, 0},
        {{0x1E, 0x00, 0x00, 0x00}, true, 1},
        {{0x1E, 0x00, 0x02, 0x00, 'a', 'b'}, true, 1},
        {{0x1E, 0x00, 0x02, 0x00, 'a'}, false, 0},
        {{0x1E, 0x00, 0x00, 0x00, 0x1B}, false, 1},
        {{0x1E, 0x00, 0x00, 0x00, 0x1B, 0x00, 0xFF, 0xFF, 'x'}, false, 1},
    };
    for (const auto& c : cases) {
        std::vector<QRecord> records;
        EXPECT_EQ(spoolkit::ReadQFileRecords(c.bytes, records), c.whole);
        EXPECT_EQ(records.size(), c.records);
    }
}
