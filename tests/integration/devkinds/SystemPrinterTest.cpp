// The text printers end to end: queued text laid out as PDF pages and printed as one job per
// message on a print server of the test's own, read back with the PDF tools; the form-feed
// variant's page eject as a job of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DeviceHarness.h"
#include "devices/DeviceSystem.h"
#include "platform/ChildProcess.h"
#include "support/TestCupsd.h"

namespace devkinds {
namespace {

namespace fs = std::filesystem;

class SystemPrinterTest : public DeviceEndToEnd {
protected:
    void SetUp() override {
        DeviceEndToEnd::SetUp();
        if (!support::TestCupsd::Available() || !fs::exists("/usr/bin/pdfinfo"))
            GTEST_SKIP() << "needs root, cupsd and the PDF tools";
        cupsd = std::make_unique<support::TestCupsd>(root.path());
        ASSERT_TRUE(cupsd->Start()) << cupsd->ErrorLog();
        ASSERT_TRUE(cupsd->AddQueue("Text"));
    }
    void TearDown() override {
        device.reset();
        cupsd.reset();
        DeviceEndToEnd::TearDown();
    }
    void Configure(const char* type) {
        const std::string key = DeviceKey();
        PutString(key, "Device Type", type);
        PutString(key, "Device Name", "Texts");
        PutString(key, "Printer Name", "Text");
        PutDword(key, "Insert Line Feed", 0);
        PutString(key, "Terminator Data", "");
        PutString(key, "Font", "");
        PutString(key, "Font Size", "12");
        PutDword(key, "PaperSize", 9);
        PutDword(key, "Orientation", 1);
        PutDword(key, "MarginTop", 500);
        PutDword(key, "MarginBottom", 500);
        PutDword(key, "MarginLeft", 500);
        PutDword(key, "MarginRight", 500);
        PutString(key, "Host", "None");
        PutString(key, "Device Session", "S1");
    }
    void Print(const std::string& text) {
        device->MessageBufferQueue().AddString(text, 1);
        device->SendToDeviceThreadWakeUp(true);
    }
    // The documents of n completed jobs.
    std::vector<std::string> Documents(std::size_t n) {
        std::vector<std::string> docs;
        const auto ids = cupsd->WaitJobsCompleted("Text", n);
        if (!ids) {
            ADD_FAILURE() << "jobs not completed: " << device->GetLastError() << "\n"
                          << cupsd->ErrorLog();
            return docs;
        }
        for (int id : *ids) docs.push_back(cupsd->JobDocument(id).value_or(""));
        return docs;
    }
    // The output of a PDF tool on the document.
    std::string Tool(const char* tool, const std::string& pdf, std::vector<std::string> args) {
        const fs::path file = root / "doc.pdf";
        std::ofstream(file, std::ios::binary) << pdf;
        args.push_back(file.string());
        if (std::string(tool) == "pdftotext") args.push_back("-");
        platform::ChildProcess child;
        EXPECT_TRUE(child.Start(std::string("/usr/bin/") + tool, args));
        std::string out;
        for (const auto& line : child.ReadRemaining(20000)) out += line + "\n";
        return out;
    }
    int Pages(const std::string& pdf) {
        const std::string info = Tool("pdfinfo", pdf, {});
        const std::size_t at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }
    // The lines that fit a page with the device's settings.
    int LinesPerPage() {
        devices::CTextPrintout printout;
        EXPECT_TRUE(printout.Start(device->Settings(), "iso_a4_210x297mm"));
        std::string doc;
        EXPECT_TRUE(printout.Finish(doc));
        return printout.LinesPerPage();
    }

    std::unique_ptr<support::TestCupsd> cupsd;
    std::unique_ptr<devices::CDeviceSystem> device;
};

TEST_F(SystemPrinterTest, AMessageIsOnePdfJob) {
    Configure("System");
    device = std::make_unique<devices::CDeviceSystem>("Device 01");
    Print("FIRST LINE\r\nSECOND\nTHIRD");
    const auto docs = Documents(1);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0].compare(0, 5, "%PDF-"), 0);
    EXPECT_EQ(Pages(docs[0]), 1);
    const std::string text = Tool("pdftotext", docs[0], {"-layout"});
    EXPECT_NE(text.find("FIRST LINE"), std::string::npos) << text;
    EXPECT_NE(text.find("SECOND"), std::string::npos);
    EXPECT_NE(text.find("THIRD"), std::string::npos);
}

TEST_F(SystemPrinterTest, APageAndALineMoreAreTwoPages) {
    Configure("System");
    device = std::make_unique<devices::CDeviceSystem>("Device 01");
    const int lines = LinesPerPage();
    ASSERT_GT(lines, 1);
    std::string text;
    for (int i = 0; i <= lines; ++i) text += "LINE " + std::to_string(i) + "\n";
    Print(text.substr(0, text.size() - 1));
    const auto docs = Documents(1);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(Pages(docs[0]), 2);
}

TEST_F(SystemPrinterTest, TheFormFeedVariantEjectsWithAJobOfItsOwn) {
    Configure("Zeroziro");
    device = std::make_unique<devices::CDeviceSystemFF>("Device 01");
    Print("TICKET");
    const auto docs = Documents(2);
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(Pages(docs[0]), 1);
    EXPECT_EQ(docs[1], "\x0C");
}

}  // namespace
}  // namespace devkinds
