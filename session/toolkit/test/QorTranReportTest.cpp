#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "toolkit/QorTran.h"
#include "toolkit/QorTranTables.h"

using QorTranNS::CQorTran;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Compares a report with its golden file, which changes only by hand.
void ExpectGolden(const std::string& report, const char* name) {
    const std::filesystem::path path = std::filesystem::path(TOOLKIT_GOLDEN_DIR) / name;
    const std::string golden = ReadFile(path);
    ASSERT_FALSE(golden.empty()) << path;
    EXPECT_EQ(report, golden) << name;
}

TEST(QorTranReportTest, ReportsOfTheAsciiSetMatchTheirGoldenFiles) {
    using namespace QorTranNS;
    const CQorTran tran(kAsciiClientToQFE, kAsciiClientToExtendedQFE, kAsciiQFEToClient,
                        kAsciiExtendedQFEToClient);
    const char* const names[] = {"raw_tables.txt",
                                 "client_to_qfe.txt",
                                 "qfe_to_client.txt",
                                 "client_to_qfe_to_client.txt",
                                 "qfe_to_client_to_qfe.txt",
                                 "table_template.txt",
                                 "ascii_to_ebcdic_to_ascii.txt"};
    for (int type = 0; type < 7; ++type) {
        SCOPED_TRACE(names[type]);
        const UTKString::CString report = tran.GetReport(static_cast<CQorTran::REPORT_TYPE>(type));
        ExpectGolden(std::string(report.c_str(), report.length()), names[type]);
    }
    EXPECT_STREQ(tran.GetReport(static_cast<CQorTran::REPORT_TYPE>(7)).c_str(),
                 "Unrecognized REPORT_TYPE: 7");
}

// What the golden files hold, written out from the report layouts themselves: the whole table
// template, and the frame and row count of the ASCII round-trip report.
TEST(QorTranReportTest, TemplateAndRoundTripReportsHaveTheirLayout) {
    using namespace QorTranNS;
    const CQorTran tran(kAsciiClientToQFE, kAsciiClientToExtendedQFE, kAsciiQFEToClient,
                        kAsciiExtendedQFEToClient);
    std::string table =
        "XLATE_TABLE TemplateTable = \n{\n"
        "/*                   0,   1,   2,   3,   4,   5,   6,   7, */\n"
        "/*                   8,   9,   A,   B,   C,   D,   E,   F, */\n";
    for (int first = 0; first < 256; first += 8) {
        char line[96];
        std::snprintf(line, sizeof line, "/* 0x%2.2X - 0x%2.2X */ ", first, first + 7);
        table += line;
        for (int i = 0; i < 8; ++i) table += i ? ",0x00" : "0x00";
        table += first == 248 ? "\n" : ",\n";
    }
    table += "};\n";
    EXPECT_EQ(tran.GetReport(CQorTran::REPORT_TABLE_TEMPLATE).c_str(), table);

    const std::string report = tran.GetReport(CQorTran::REPORT_ASCII_TO_EBCDIC_TO_ASCII).c_str();
    const std::string separator = "|------------>------------>-----------|\n";
    const std::string head = separator + "| ASCII_TO_EBCIDIC_TO_ASCII Report    |\n" + separator +
                             "|     ASCII  >     EBCDIC >     ASCII |\n" + separator;
    EXPECT_EQ(report.substr(0, head.size()), head);
    const std::string tail = separator + "\n";
    ASSERT_GE(report.size(), head.size() + tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
    const std::string rows = report.substr(head.size(), report.size() - head.size() - tail.size());
    // Codes 0x00 to 0xFE, one row each.
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 255);
    EXPECT_EQ(rows.substr(0, 7), "| 0x00 ");
    EXPECT_EQ(rows.substr(rows.rfind('\n', rows.size() - 2) + 1, 7), "| 0xFE ");
}

TEST(QorTranReportTest, ReportsOfATranslatorWithoutTablesStayWellFormed) {
    const CQorTran tran;
    const UTKString::CString raw = tran.GetReport(CQorTran::REPORT_RAW_TABLES);
    EXPECT_NE(std::string(raw.c_str()).find("XLATE_TABLE ExtendedQFEToClientTable = \n{\n"),
              std::string::npos);
    const UTKString::CString toQfe = tran.GetReport(CQorTran::REPORT_CLIENT_TO_QFE);
    EXPECT_NE(std::string(toQfe.c_str()).find("| 0x41 '  A' > EMPTY     |"), std::string::npos);
}

}  // namespace
