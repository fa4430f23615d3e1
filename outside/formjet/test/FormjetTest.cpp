// The forms library against a simulated forms printer on a pseudo-terminal: the calls in
// their order, the printer's refusals and silences as last errors, and the repeat after a
// time-out that is not done twice.
#include "formjet/Formjet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formjet/FormjetWire.h"
#include "platform/PortMap.h"
#include "platform/Registry.h"
#include "printersim/FormPrinter.h"
#include "support/TempRoot.h"

namespace {

using printersim::FormAnswer;
using printersim::FormPrinter;
using printersim::FormRequest;

constexpr const char* kPrinters = "Software\\The TREVO Group\\TREVODeviceManager\\Printers";

void PutPrinter(const char* name, const char* port, std::uint32_t cls) {
    platform::HKEY h = nullptr;
    const std::string key = std::string(kPrinters) + "\\" + name;
    ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0,
                                       platform::KEY_ALL_ACCESS, nullptr, &h, nullptr),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(h, "Port", 0, platform::REG_SZ,
                                      reinterpret_cast<const platform::BYTE*>(port),
                                      static_cast<platform::DWORD>(std::strlen(port))),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegSetValueEx(h, "Class", 0, platform::REG_DWORD,
                                      reinterpret_cast<const platform::BYTE*>(&cls), 4),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(h);
}

class FormjetTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(printer.Start());
        platform::SetPortPath("COM9", printer.LinePath());
        PutPrinter("QT5200", "COM9", 1);
    }
    void TearDown() override {
        if (handle) static_cast<void>(PrinterClose(handle));
        platform::ClearPortPaths();
    }
    void OpenSession() {
        ASSERT_TRUE(PrinterOpen("QT5200", &handle)) << FormjetGetLastError();
        ASSERT_TRUE(PrinterStartSession(handle)) << FormjetGetLastError();
    }
    static std::string Text(std::uint32_t code) {
        char text[256];
        return FormjetFormatMessage(code, text, sizeof text) ? text : "";
    }

    FormPrinter printer;
    FORMJET_HANDLE handle = nullptr;
};

TEST_F(FormjetTest, ADocumentIsPrintedOnItsFormInOneSession) {
    OpenSession();
    const std::string host = "Trevo Air", form = "A4 Blank Continuous";
    const FORMJET_NAME_RECORD hostRecord{host.c_str()}, formRecord{form.c_str()};
    ASSERT_TRUE(AEASetHost(handle, &hostRecord));
    ASSERT_TRUE(PrinterSetForm(handle, 1, &formRecord));
    ASSERT_TRUE(PrinterWrite(handle, "LINE\r\n", 6));
    ASSERT_TRUE(PrinterWrite(handle, "NEXT", 4));
    printer.SetBarCodes({"TKT0000000009"});
    char code[200];
    ASSERT_TRUE(PrinterReadStockCode(handle, code, sizeof code));
    EXPECT_STREQ(code, "05");
    ASSERT_TRUE(PrinterReadBarCode(handle, code, sizeof code));
    EXPECT_STREQ(code, "TKT0000000009");
    ASSERT_TRUE(PrinterEjectForm(handle));
    ASSERT_TRUE(PrinterEndSession(handle));
    EXPECT_EQ(printer.Letters(), "SHFWWKBJE");
    EXPECT_EQ(printer.Documents(), std::vector<std::string>{"LINE\r\nNEXT"});
    EXPECT_EQ(printer.Form(), form);
    EXPECT_EQ(printer.Host(), host);
    EXPECT_FALSE(printer.InSession());
    ASSERT_TRUE(PrinterClose(handle));
    handle = nullptr;
}

TEST_F(FormjetTest, FailuresGiveTheirCodeAndText) {
    FORMJET_HANDLE none = nullptr;
    EXPECT_FALSE(PrinterOpen("NOSUCH", &none));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_INVALID_PRINTER_NAME);
    EXPECT_EQ(Text(FORMJET_INVALID_PRINTER_NAME), "The printer name is invalid.");
    EXPECT_FALSE(PrinterWrite(reinterpret_cast<FORMJET_HANDLE>(7), "X", 1));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_INVALID_HANDLE);

    ASSERT_TRUE(PrinterOpen("QT5200", &handle));
    EXPECT_FALSE(PrinterWrite(handle, "X", 1));  // no session yet
    EXPECT_EQ(FormjetGetLastError(), FORMJET_NO_SESSION);
    ASSERT_TRUE(PrinterStartSession(handle));

    struct Case {
        FormAnswer answer;
        std::uint32_t error;
        const char* text;
    };
    const Case cases[] = {
        {{FormAnswer::Kind::Busy, "", 0},
         FORMJET_IO_PENDING,
         "The printer is busy; the request was not carried out."},
        {{FormAnswer::Kind::Refused, "", 513},
         FORMJET_PRINTER_CODE + 513,
         "The printer refused the request (code 513)."},
    };
    for (const Case& c : cases) {
        printer.SetScript([&](const FormRequest&) { return std::optional<FormAnswer>(c.answer); });
        EXPECT_FALSE(PrinterWrite(handle, "X", 1));
        EXPECT_EQ(FormjetGetLastError(), c.error);
        EXPECT_EQ(Text(c.error), c.text);
    }
    printer.SetScript({});
    EXPECT_TRUE(PrinterWrite(handle, "Y", 1));
    EXPECT_EQ(printer.CurrentDocument(), "Y");  // nothing of the refused writes
}

TEST_F(FormjetTest, AWriteRepeatedAfterATimeOutIsPrintedOnce) {
    OpenSession();
    auto silent = std::make_shared<bool>(true);
    printer.SetScript([silent](const FormRequest&) -> std::optional<FormAnswer> {
        // The printer takes the write but its answer is lost.
        if (*silent) {
            *silent = false;
            return FormAnswer{FormAnswer::Kind::Lost, "", 0};
        }
        return std::nullopt;
    });
    // The library keeps its own clock: this waits the 5 s of real time.
    EXPECT_FALSE(PrinterWrite(handle, "ONCE", 4));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_TIMEOUT);
    ASSERT_TRUE(PrinterWrite(handle, "ONCE", 4)) << FormjetGetLastError();
    EXPECT_EQ(printer.CurrentDocument(), "ONCE");  // answered again, not printed again
    ASSERT_TRUE(PrinterWrite(handle, "TWICE", 5));
    EXPECT_EQ(printer.CurrentDocument(), "ONCETWICE");
}

TEST_F(FormjetTest, PrintersOfAClassAreListed) {
    PutPrinter("DOCS", "COM8", 2);
    PutPrinter("TICKETS", "COM7", 2);
    std::uint32_t needed = 0, count = 0;
    EXPECT_FALSE(PrinterEnum(2, nullptr, 0, &needed, &count));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, 0u);
    std::vector<std::uint8_t> buffer(needed);
    ASSERT_TRUE(PrinterEnum(2, buffer.data(), needed, &needed, &count));
    ASSERT_EQ(count, 2u);
    const auto* records = reinterpret_cast<const FORMJET_PRINTER_RECORD*>(buffer.data());
    EXPECT_STREQ(records[0].pName, "DOCS");
    EXPECT_STREQ(records[0].pPort, "COM8");
    EXPECT_STREQ(records[1].pName, "TICKETS");
}

// The configuration pages' forms: looked up by size first, added when missing (once),
// listed by name; fields 4 and 18 come back as they went in.
TEST_F(FormjetTest, FormsAreAddedLookedUpAndListed) {
    ASSERT_TRUE(PrinterOpen("QT5200", &handle));
    struct Form {
        const char* name;
        const char* prompt;
        const char* description;
        std::uint32_t formType, formFeedBar;
    };
    const Form forms[] = {
        {"BSP-DE/CH/FR", "DDD", "DD", 85, 0},
        {"A4 Blank Manual", "Insert    A4 Blank", "A4 European size blank paper for Manual bin", 0,
         0},
        {"8.5x11 FF Bar", "   ", "8.5x11 FF Bar", 0, 1},
    };
    std::uint32_t needed = 7;
    for (const Form& f : forms) {
        SCOPED_TRACE(f.name);
        EXPECT_FALSE(PrinterGetForm(handle, f.name, nullptr, 0, &needed));
        EXPECT_EQ(FormjetGetLastError(), FORMJET_INVALID_FORM_NAME);
        EXPECT_EQ(needed, 0u);
        FORMJET_FORM_RECORD record{f.name, f.prompt, f.description, {}};
        record.dwField[3] = 8;
        record.dwField[4] = f.formType;
        record.dwField[18] = f.formFeedBar;
        record.dwField[19] = 0xFFFFFFFF;
        ASSERT_TRUE(PrinterAddForm(handle, &record, 1)) << FormjetGetLastError();
        EXPECT_FALSE(PrinterAddForm(handle, &record, 1));
        EXPECT_EQ(FormjetGetLastError(), FORMJET_FILE_EXISTS);

        EXPECT_FALSE(PrinterGetForm(handle, f.name, nullptr, 0, &needed));
        EXPECT_EQ(FormjetGetLastError(), FORMJET_INSUFFICIENT_BUFFER);
        ASSERT_GT(needed, sizeof(FORMJET_FORM_RECORD));
        std::vector<std::uint8_t> buffer(needed + 4);
        EXPECT_FALSE(PrinterGetForm(handle, f.name, buffer.data(), needed - 1, &needed));
        ASSERT_TRUE(PrinterGetForm(handle, f.name, buffer.data(), needed + 4, &needed));
        const auto* got = reinterpret_cast<const FORMJET_FORM_RECORD*>(buffer.data());
        EXPECT_STREQ(got->pName, f.name);
        EXPECT_STREQ(got->pPrompt, f.prompt);
        EXPECT_STREQ(got->pDescription, f.description);
        EXPECT_EQ(got->dwField[3], 8u);
        EXPECT_EQ(got->dwField[4], f.formType);
        EXPECT_EQ(got->dwField[18], f.formFeedBar);
        EXPECT_EQ(got->dwField[19], 0xFFFFFFFFu);
    }

    std::uint32_t count = 9;
    EXPECT_FALSE(PrinterEnumForms(handle, nullptr, 0, &needed, &count));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 0u);
    std::vector<std::uint8_t> buffer(needed + 4);
    ASSERT_TRUE(PrinterEnumForms(handle, buffer.data(), needed + 4, &needed, &count));
    ASSERT_EQ(count, 3u);
    const auto* names = reinterpret_cast<const char* const*>(buffer.data());
    std::vector<std::string> listed(names, names + count);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed,
              (std::vector<std::string>{"8.5x11 FF Bar", "A4 Blank Manual", "BSP-DE/CH/FR"}));

    // Bad requests: a closed handle, names that cannot be forms, a level other than 1.
    const std::string tooLong(261, 'F');
    for (const char* name : {"", "A\\B", tooLong.c_str()}) {
        FORMJET_FORM_RECORD bad{name, "", "", {}};
        EXPECT_FALSE(PrinterAddForm(handle, &bad, 1)) << name;
        EXPECT_EQ(FormjetGetLastError(), FORMJET_INVALID_FORM_NAME);
    }
    FORMJET_FORM_RECORD good{"Other", nullptr, nullptr, {}};
    EXPECT_FALSE(PrinterAddForm(handle, &good, 2));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_INVALID_PARAMETER);
    EXPECT_EQ(Text(FORMJET_INVALID_FORM_NAME), "The form name is invalid.");
    ASSERT_TRUE(PrinterClose(handle));
    EXPECT_FALSE(PrinterEnumForms(handle, buffer.data(), needed, &needed, &count));
    EXPECT_EQ(FormjetGetLastError(), FORMJET_INVALID_HANDLE);
    handle = nullptr;
}

}  // namespace
