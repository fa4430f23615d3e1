// The handle functions as an outside program uses them: only the exported plain functions.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "FakePortBackend.h"
#include "WaitFor.h"
#include "platform/Win32Error.h"
#include "ports/KDLineserv.h"
#include "support/TempRoot.h"

namespace lineserv_test {
namespace {

class HandleFunctionsTest : public support::TempRootTest {
protected:
    std::string log() { return root.ReadFile("Lineserv.Log").value_or(""); }
    FakePortBackend backend;
};

TEST_F(HandleFunctionsTest, CallsAnswerAsTheirHandleAllows) {
    char name[] = "COM1";
    PDM* live = nullptr;
    ASSERT_EQ(KDOpenPort(name, &live), 1);
    ASSERT_NE(live, nullptr);
    // Closed while the other lives, so its address cannot come back as the live one.
    PDM* closed = nullptr;
    ASSERT_EQ(KDOpenPort(name, &closed), 1);
    ASSERT_EQ(KDClosePort(closed), 1);
    // Never handed out: refused without being touched.
    PDM* unknown = reinterpret_cast<PDM*>(&backend);
    auto line = backend.line("COM1");
    backend.defaults["COM1"] = platform::Dcb{};

    std::uint8_t data[] = {'h', 'e', 'l', 'l', 'o'};
    std::uint8_t in[16];
    std::uint32_t count = 77;
    struct Case {
        const char* label;
        std::function<int()> call;
        int result;
        const char* logged;  // the line this call adds to the log, or null
    };
    const Case cases[] = {
        {"settings dialog without a display: cancelled",
         [&] {
             platform::SetLastError(0);
             const int r = KDConfigurePort(nullptr, name);
             EXPECT_EQ(platform::GetLastError(), platform::ERROR_CANCELLED);
             return r;
         },
         0, nullptr},
        {"no ports to list", [&] { return KDEnumPorts(nullptr); }, 0, nullptr},
        {"open without a place for the handle", [&] { return KDOpenPort(name, nullptr); }, 0,
         "KDLineserv: KDOpenPort - Unable to allocate PDM handle\n"},
        {"close null", [&] { return KDClosePort(nullptr); }, 0,
         "KDLineserv: KDClosePort - Unable to deallocate invalid PDM handle\n"},
        {"close closed", [&] { return KDClosePort(closed); }, 0,
         "KDLineserv: KDClosePort - Unable to deallocate invalid PDM handle\n"},
        {"start null", [&] { return KDStartDocPort(nullptr); }, 0,
         "KDLineserv: KDStartDocPort - Invalid PDM handle supplied\n"},
        {"start unknown", [&] { return KDStartDocPort(unknown); }, 0,
         "KDLineserv: KDStartDocPort - Invalid PDM handle supplied\n"},
        {"end closed", [&] { return KDEndDocPort(closed); }, 0,
         "KDLineserv: KDEndDocPort - Invalid PDM handle supplied\n"},
        {"read null", [&] { return KDReadPort(nullptr, in, sizeof in, &count); }, 0,
         "KDLineserv: KDReadPort - Invalid PDM handle supplied\n"},
        {"write closed", [&] { return KDWritePort(closed, data, 5, &count); }, 0,
         "KDLineserv: KDWritePort - Invalid PDM handle supplied\n"},
        {"read before the port is started", [&] { return KDReadPort(live, in, sizeof in, &count); },
         0, nullptr},
        {"start", [&] { return KDStartDocPort(live); }, 1, nullptr},
        {"start again", [&] { return KDStartDocPort(live); }, 1, nullptr},
        {"write", [&] { return KDWritePort(live, data, 5, &count); }, 1, nullptr},
        {"read of a quiet line", [&] { return KDReadPort(live, in, sizeof in, &count); }, 0,
         nullptr},
        {"read",
         [&] {
             line->injectInput({'o', 'k'});
             return KDReadPort(live, in, sizeof in, &count);
         },
         1, nullptr},
        {"end", [&] { return KDEndDocPort(live); }, 1, nullptr},
        {"end again", [&] { return KDEndDocPort(live); }, 1, nullptr},
        {"close", [&] { return KDClosePort(live); }, 1, nullptr},
        {"close twice", [&] { return KDClosePort(live); }, 0,
         "KDLineserv: KDClosePort - Unable to deallocate invalid PDM handle\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string before = log();
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(log().substr(before.size()), c.logged ? c.logged : "");
    }
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(in), 2), "ok");
    EXPECT_EQ(line->written(), std::vector<std::uint8_t>(data, data + 5));
    EXPECT_FALSE(line->open());
}

TEST_F(HandleFunctionsTest, EmptyReadsInARowArePacedAndBytesResetThePacing) {
    char name[] = "COM2";
    PDM* port = nullptr;
    ASSERT_EQ(KDOpenPort(name, &port), 1);
    ASSERT_EQ(KDStartDocPort(port), 1);
    auto line = backend.line("COM2");
    std::uint8_t in[8];
    std::uint32_t count = 0;
    using Clock = std::chrono::steady_clock;
    auto timed = [&](int reads, bool withBytes) {
        const auto start = Clock::now();
        for (int i = 0; i < reads; ++i) {
            if (withBytes) {
                line->injectInput({'x'});
                EXPECT_EQ(KDReadPort(port, in, sizeof in, &count), 1);
            }
            EXPECT_EQ(KDReadPort(port, in, sizeof in, &count), 0);
        }
        return Clock::now() - start;
    };
    // 20 empty reads in a row: every one after the first waits a millisecond.
    EXPECT_GE(timed(20, false), std::chrono::milliseconds(19));
    // Each empty read follows one with bytes, so none of them waits.
    EXPECT_LT(timed(100, true), std::chrono::milliseconds(100));
    EXPECT_EQ(KDClosePort(port), 1);
}

TEST_F(HandleFunctionsTest, AHandleClosedWhileAnotherThreadUsesItIsNeverUsedAfterItsClose) {
    char name[] = "COM3";
    PDM* port = nullptr;
    ASSERT_EQ(KDOpenPort(name, &port), 1);
    ASSERT_EQ(KDStartDocPort(port), 1);
    auto line = backend.line("COM3");
    std::atomic<int> calls{0};
    std::atomic<bool> refused{false};
    std::thread user([&] {
        std::uint8_t in[8];
        std::uint8_t out[] = {'p'};
        std::uint32_t count = 0;
        for (int i = 0; i < 200000 && !refused; ++i) {
            line->injectInput({'x'});
            const int read = KDReadPort(port, in, sizeof in, &count);
            const int wrote = KDWritePort(port, out, 1, &count);
            ++calls;
            refused = read == 0 && wrote == 0;
        }
    });
    ASSERT_TRUE(waitFor([&] { return calls > 10; }));
    EXPECT_EQ(KDClosePort(port), 1);
    user.join();
    EXPECT_TRUE(refused);
    EXPECT_NE(log().find("KDLineserv: KDWritePort - Invalid PDM handle supplied\n"),
              std::string::npos);
}

}  // namespace
}  // namespace lineserv_test
