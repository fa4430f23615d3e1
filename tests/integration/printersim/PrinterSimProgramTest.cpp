// The printer simulator program as a forms printer: the forms library prints a ticket on
// it through the port map, and the program shows every request it took.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formjet/Formjet.h"
#include "platform/ChildProcess.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "support/TempRoot.h"

namespace {

constexpr int kDeadlineMs = 10000;

void PutPrinter(const char* name, const char* port) {
    platform::HKEY h = nullptr;
    const std::string key =
        std::string("Software\\The TREVO Group\\TREVODeviceManager\\Printers\\") + name;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(h, "Port", 0, platform::REG_SZ,
                                      reinterpret_cast<const platform::BYTE*>(port),
                                      static_cast<platform::DWORD>(std::strlen(port))),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
}

TEST(PrinterSimProgramTest, AFormsPrinterShowsTheRequestsOfATicket) {
    support::TempRoot root;
    platform::ChildProcess program;
    ASSERT_TRUE(program.Start(PRINTERSIM_PROGRAM,
                              {"--stay", "forms", "--stock", "07", "--barcodes", "TKT1,TKT2"}));
    const auto first = program.ReadLine(kDeadlineMs);
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->rfind("line /", 0), 0u) << *first;
    platform::SetPortPath("COM9", first->substr(5));
    PutPrinter("QT5200", "COM9");

    FORMJET_HANDLE h = nullptr;
    ASSERT_TRUE(PrinterOpen("QT5200", &h)) << FormjetGetLastError();
    ASSERT_TRUE(PrinterStartSession(h)) << FormjetGetLastError();
    const FORMJET_NAME_RECORD form{"A4 FF Bar"};
    ASSERT_TRUE(PrinterSetForm(h, 1, &form));
    ASSERT_TRUE(PrinterWrite(h, "LINE\r\n", 6));
    char code[200];
    ASSERT_TRUE(PrinterReadStockCode(h, code, sizeof code));
    EXPECT_STREQ(code, "07");
    ASSERT_TRUE(PrinterReadBarCode(h, code, sizeof code));
    EXPECT_STREQ(code, "TKT1");
    ASSERT_TRUE(PrinterEjectForm(h));
    ASSERT_TRUE(PrinterReadBarCode(h, code, sizeof code));
    EXPECT_STREQ(code, "TKT2");
    ASSERT_TRUE(PrinterEndSession(h));
    ASSERT_TRUE(PrinterClose(h));

    std::vector<std::string> shown;
    for (int i = 0; i < 8; ++i) {
        const auto line = program.ReadLine(kDeadlineMs);
        ASSERT_TRUE(line.has_value()) << i;
        shown.push_back(*line);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "request S ", "request F A4 FF Bar", "request W LINE\\x0D\\x0A",
                         "request K ", "request B ", "request J ", "request B ", "request E "}));
    platform::ClearPortPaths();
    EXPECT_TRUE(program.Kill().has_value());
}

TEST(PrinterSimProgramTest, BadArgumentsAreRefused) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"laser"}, {"forms", "--stock"}, {"atb2", "x"}}) {
        platform::ChildProcess program;
        ASSERT_TRUE(program.Start(PRINTERSIM_PROGRAM, args));
        EXPECT_EQ(program.Wait(kDeadlineMs), std::optional<int>(2));
        const auto usage = program.ReadLine(kDeadlineMs);
        ASSERT_TRUE(usage.has_value());
        EXPECT_EQ(usage->rfind("usage: printersim", 0), 0u);
    }
}

}  // namespace
