#include <gtest/gtest.h>

#include <cstdlib>
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

// Compares a report with its golden file; TOOLKIT_UPDATE_GOLDEN=1 rewrites the file instead.
void ExpectGolden(const std::string& report, const char* name) {
    const std::filesystem::path path = std::filesystem::path(TOOLKIT_GOLDEN_DIR) / name;
    if (std::getenv("TOOLKIT_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << report;
    }
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

TEST(QorTranReportTest, ReportsOfATranslatorWithoutTablesStayWellFormed) {
    const CQorTran tran;
    const UTKString::CString raw = tran.GetReport(CQorTran::REPORT_RAW_TABLES);
    EXPECT_NE(std::string(raw.c_str()).find("XLATE_TABLE ExtendedQFEToClientTable = \n{\n"),
              std::string::npos);
    const UTKString::CString toQfe = tran.GetReport(CQorTran::REPORT_CLIENT_TO_QFE);
    EXPECT_NE(std::string(toQfe.c_str()).find("| 0x41 '  A' > EMPTY     |"), std::string::npos);
}

}  // namespace
