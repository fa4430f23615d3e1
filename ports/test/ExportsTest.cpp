// The library as a program without its headers meets it: the handle functions found by
// their plain names in the loaded library and driven over a pseudo-terminal pair, while the
// helpers built into the library stay out of sight.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "WaitFor.h"
#include "platform/DynamicLibrary.h"
#include "platform/PortMap.h"
#include "support/PtyPair.h"
#include "support/TempRoot.h"

namespace lineserv_test {
namespace {

using Handle = void*;

struct HandleFunctions {
    int (*configurePort)(void*, char*) = nullptr;
    int (*enumPorts)(void*) = nullptr;
    int (*openPort)(char*, Handle*) = nullptr;
    int (*closePort)(Handle) = nullptr;
    int (*startDocPort)(Handle) = nullptr;
    int (*endDocPort)(Handle) = nullptr;
    int (*readPort)(Handle, std::uint8_t*, std::uint32_t, std::uint32_t*) = nullptr;
    int (*writePort)(Handle, std::uint8_t*, std::uint32_t, std::uint32_t*) = nullptr;
};

class ExportsTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.Open(LINESERV_LIBRARY_PATH)) << library.error();
        const platform::SymbolBinding bindings[] = {
            platform::BindSymbol("KDConfigurePort", kd.configurePort),
            platform::BindSymbol("KDEnumPorts", kd.enumPorts),
            platform::BindSymbol("KDOpenPort", kd.openPort),
            platform::BindSymbol("KDClosePort", kd.closePort),
            platform::BindSymbol("KDStartDocPort", kd.startDocPort),
            platform::BindSymbol("KDEndDocPort", kd.endDocPort),
            platform::BindSymbol("KDReadPort", kd.readPort),
            platform::BindSymbol("KDWritePort", kd.writePort),
        };
        ASSERT_TRUE(library.Bind(bindings)) << library.error();
        platform::SetPortPath("COM12", far.path());
    }
    void TearDown() override { platform::ClearPortPaths(); }

    platform::DynamicLibrary library;
    HandleFunctions kd;
    support::PtyPair far;
};

TEST_F(ExportsTest, ThePlainHandleFunctionsDriveAPortAndTheHelpersStayInside) {
    // The library's own log, thread and lock helpers are not part of what it offers.
    for (const char* inner : {"_ZN8lineserv11lineservLogEv", "_ZN8lineserv5kdLogEv",
                              "_ZN6kdcomm11StartThreadEPFjPvES0_", "_ZN6Logger8logPrintEPKcz"}) {
        SCOPED_TRACE(inner);
        EXPECT_EQ(library.Symbol(inner), nullptr);
    }

    char name[] = "COM12:";
    Handle port = nullptr;
    ASSERT_EQ(kd.openPort(name, &port), 1);
    ASSERT_NE(port, nullptr);
    ASSERT_EQ(kd.startDocPort(port), 1);

    std::uint8_t ping[] = {'p', 'i', 'n', 'g', 0x00, 0xFF};
    std::uint32_t count = 0;
    ASSERT_EQ(kd.writePort(port, ping, sizeof ping, &count), 1);
    EXPECT_EQ(count, sizeof ping);
    EXPECT_EQ(far.ReadExactly(sizeof ping), std::vector<std::uint8_t>(ping, ping + sizeof ping));

    far.Send("pong");
    std::string got;
    ASSERT_TRUE(waitFor([&] {
        std::uint8_t in[16];
        if (kd.readPort(port, in, sizeof in, &count) == 1)
            got.append(reinterpret_cast<char*>(in), count);
        return got.size() >= 4;
    }));
    EXPECT_EQ(got, "pong");

    EXPECT_EQ(kd.endDocPort(port), 1);
    EXPECT_EQ(kd.readPort(port, reinterpret_cast<std::uint8_t*>(name), 1, &count), 0);
    EXPECT_EQ(kd.closePort(port), 1);
    EXPECT_EQ(kd.closePort(port), 0);
    EXPECT_NE(root.ReadFile("Lineserv.Log")
                  .value_or("")
                  .find("KDLineserv: KDClosePort - Unable to deallocate invalid PDM handle\n"),
              std::string::npos);
}

TEST_F(ExportsTest, ClosingAHandleEndsAWriteThatAnotherThreadHasStuckOnTheLine) {
    char name[] = "COM12";
    Handle port = nullptr;
    ASSERT_EQ(kd.openPort(name, &port), 1);
    ASSERT_EQ(kd.startDocPort(port), 1);
    // The far end takes nothing, so the write fills the line and waits there for room.
    std::vector<std::uint8_t> big(1 << 20, 0x5A);
    std::atomic<int> writeResult{-1};
    std::uint32_t written = 0;
    std::thread writer([&] {
        writeResult =
            kd.writePort(port, big.data(), static_cast<std::uint32_t>(big.size()), &written);
    });
    ASSERT_EQ(far.ReadExactly(1).size(), 1u);  // the write is under way

    std::atomic<int> closeResult{-1};
    std::thread closer([&] { closeResult = kd.closePort(port); });
    const bool closedInTime = waitFor([&] { return closeResult != -1; });
    // Should the close wait for the write, the far end lets the write finish so the test
    // ends all the same.
    for (int i = 0; i < 10000 && closeResult == -1; ++i)
        static_cast<void>(far.ReadAvailable(std::chrono::milliseconds(10)));
    closer.join();
    writer.join();
    EXPECT_TRUE(closedInTime);
    EXPECT_EQ(closeResult, 1);
    EXPECT_EQ(writeResult, 0);
    EXPECT_LT(written, big.size());
}

}  // namespace
}  // namespace lineserv_test
