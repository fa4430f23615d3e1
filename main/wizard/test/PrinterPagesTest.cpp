// The machine's printer pages: the queue page (a listed queue clicked or a name typed, the
// column offset's range) and the system printer pages (defaults, stored values by type,
// the page setup taken back, a printer required).
#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "uikit/PrintSetup.h"
#include "wizard/VekaPrpQueue.h"
#include "wizard/VekaPrpSystem.h"

using namespace wizardtest;
using wizard::CVekaPrpQueue;
using wizard::CVekaPrpSystem;
using wizard::CVekaPrpSystemFF;
using Q = wizard::CVekaPrpQueue;
using S = wizard::CVekaPrpSystem;

namespace {

constexpr int kStay = -1;

class PrinterPages : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        spooler.RemoveQueue("Laser");
        spooler.AddQueue("Laser A");
        spooler.AddQueue("Laser B");
        spooler.SetDefaultQueue("Laser B");
        uikit::SetFontLister([] {
            return std::vector<std::string>{"Arial", "Courier New", "Times"};
        });
    }
    void TearDown() override {
        uikit::SetFontLister({});
        uikit::SetPageSetupRunner({});
        WizardTest::TearDown();
    }
};

// The queues are the machine's printers, in its order, with an empty port. Next needs a
// queue: none gives 410; a click on a queue, or a name typed that need not be listed, goes
// on; the column offset takes 0 to 30.
TEST_F(PrinterPages, TheQueuePageNeedsAQueueAndAnOffsetUpTo30) {
    const struct {
        const char* clicked;  // none: nothing clicked
        const char* typed;    // none: nothing typed
        const char* offset;
        const char* message;  // none: Next goes on
        const char* queue;
    } cases[] = {
        {nullptr, nullptr, "0", "A queue name is required for this device.", ""},
        {"Laser B", nullptr, "0", nullptr, "Laser B"},
        {"Laser A", "\\\\PRINTSRV01\\TICKETS", "30", nullptr, "\\\\PRINTSRV01\\TICKETS"},
        {"Laser A", nullptr, "31", "Enter a whole number from 0 to 30.", ""},
        {"Laser A", nullptr, "-1", "Enter a whole number from 0 to 30.", ""},
        {"Laser A", nullptr, "", "Enter a whole number from 0 to 30.", ""},
    };
    for (const auto& c : cases) {
        boxes.clear();
        Shown<CVekaPrpQueue> q;
        EXPECT_EQ(q.panel.Rows(Q::IDC_QUEUES),
                  (std::vector<std::vector<std::string>>{{"Laser A", ""}, {"Laser B", ""}}));
        EXPECT_EQ(q.panel.GetText(Q::IDC_SELECTED), "");
        EXPECT_EQ(q.panel.GetText(Q::IDC_COLUMN_OFFSET), "0");
        q.panel.SetText(Q::IDC_COLUMN_OFFSET, c.offset);
        if (c.clicked) {
            q.panel.Select(Q::IDC_QUEUES, RowOf(q.panel, Q::IDC_QUEUES, c.clicked));
            q.page.OnCommand(Q::IDC_QUEUES, q.panel);
            EXPECT_EQ(q.panel.GetText(Q::IDC_SELECTED), c.clicked);
            EXPECT_EQ(q.panel.GetText(Q::IDC_COLUMN_OFFSET), c.offset);
        }
        if (c.typed) q.panel.SetText(Q::IDC_SELECTED, c.typed);
        EXPECT_EQ(q.Next(), c.message ? kStay : 106) << c.offset;
        EXPECT_EQ(boxes,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        if (!c.message) {
            EXPECT_EQ(q.page.GetQueueName(), c.queue);
            EXPECT_EQ(q.page.GetColumnOffset(), std::stoul(c.offset));
        }
    }
}

// A queue device shows its stored queue and offset; another type's device starts empty.
TEST_F(PrinterPages, TheQueuePageLoadsAQueueDevice) {
    PutDevice("Device 01", "Queue", "Q");
    PutString(kApp + "\\Device 01", "Queue Name", "Gone Queue");
    PutDword(kApp + "\\Device 01", "Column Offset", 12);
    PutDevice("Device 02", "System", "S");
    PutString(kApp + "\\Device 02", "Queue Name", "Laser A");
    Shown<CVekaPrpQueue> queue("\\Device 01");
    EXPECT_EQ(queue.panel.GetText(Q::IDC_SELECTED), "Gone Queue");
    EXPECT_EQ(queue.panel.GetText(Q::IDC_COLUMN_OFFSET), "12");
    EXPECT_EQ(queue.Next(), 106);
    EXPECT_EQ(queue.page.GetQueueName(), "Gone Queue");
    EXPECT_EQ(queue.page.GetColumnOffset(), 12u);
    Shown<CVekaPrpQueue> other("\\Device 02");
    EXPECT_EQ(other.panel.GetText(Q::IDC_SELECTED), "");
}

// A new device starts at the default printer, the first font beginning with "Courier",
// size 10, portrait, margins 1000; a device of the page's own type at its stored values
// (those it lacks at the new device's); the other page's type is not loaded. Without fonts
// the font stays "Courier".
TEST_F(PrinterPages, TheSystemPagesDefaultsAndStoredValues) {
    PutDevice("Device 01", "System", "S");
    PutString(kApp + "\\Device 01", "Printer Name", "Laser A");
    PutString(kApp + "\\Device 01", "Font", "Times");
    PutDword(kApp + "\\Device 01", "Orientation", 2);
    PutDword(kApp + "\\Device 01", "MarginLeft", 500);
    PutDword(kApp + "\\Device 01", "MarginBottom", 0);
    struct Values {
        std::string printer, font, size;
        uikit::PageSetup page;
    };
    const Values fresh{"Laser B", "Courier New", "10", {1, 1000, 1000, 1000, 1000}};
    const struct {
        bool zeroziro;
        const char* key;
        bool fonts;
        Values shown;
    } cases[] = {
        {false, "", true, fresh},
        {true, "", true, fresh},
        {false, "\\Device 01", true, {"Laser A", "Times", "10", {2, 500, 1000, 1000, 0}}},
        {true, "\\Device 01", true, fresh},
        {false, "", false, {"Laser B", "Courier", "10", {1, 1000, 1000, 1000, 1000}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + (c.zeroziro ? " Zeroziro" : " System"));
        if (!c.fonts) uikit::SetFontLister({});
        Shown<CVekaPrpSystem> system(c.key);
        Shown<CVekaPrpSystemFF> zeroziro(c.key);
        auto& panel = c.zeroziro ? zeroziro.panel : system.panel;
        CVekaPrpSystem& page =
            c.zeroziro ? static_cast<CVekaPrpSystem&>(zeroziro.page) : system.page;
        EXPECT_EQ(page.TemplateId(), c.zeroziro ? 484 : 478);
        EXPECT_EQ(panel.RowText(S::IDC_PRINTER, panel.Selected(S::IDC_PRINTER), 0),
                  c.shown.printer);
        EXPECT_EQ(panel.RowText(S::IDC_FONT_SIZE, panel.Selected(S::IDC_FONT_SIZE), 0),
                  c.shown.size);
        EXPECT_EQ(page.OnKillActive(panel) ? page.OnWizardNext(panel) : kStay, 106);
        EXPECT_EQ(page.GetPrinterName(), c.shown.printer);
        EXPECT_EQ(page.GetFont(), c.shown.font);
        EXPECT_EQ(page.GetFontSize(), c.shown.size);
        EXPECT_EQ(
            (uikit::PageSetup{page.GetOrientation(), page.GetMarginLeft(), page.GetMarginTop(),
                              page.GetMarginRight(), page.GetMarginBottom()}),
            c.shown.page);
    }
    EXPECT_TRUE(boxes.empty());
}

// The page setup starts from the page's values and whatever it gives back is kept (a
// cancelled dialog gives back what it was given).
TEST_F(PrinterPages, ThePageSetupIsTakenBack) {
    std::vector<uikit::PageSetup> given;
    uikit::SetPageSetupRunner([&](uikit::PageSetup& setup) {
        given.push_back(setup);
        if (given.size() == 1) setup = {uikit::DMORIENT_LANDSCAPE, 1, 2, 3, 4};
    });
    Shown<CVekaPrpSystemFF> z;
    z.page.OnCommand(S::IDC_PAGE_SETUP, z.panel);
    z.page.OnCommand(S::IDC_PAGE_SETUP, z.panel);
    EXPECT_EQ(given, (std::vector<uikit::PageSetup>{{1, 1000, 1000, 1000, 1000}, {2, 1, 2, 3, 4}}));
    EXPECT_EQ(z.Next(), 106);
    EXPECT_EQ(z.page.GetOrientation(), 2u);
    EXPECT_EQ(z.page.GetMarginLeft(), 1u);
    EXPECT_EQ(z.page.GetMarginTop(), 2u);
    EXPECT_EQ(z.page.GetMarginRight(), 3u);
    EXPECT_EQ(z.page.GetMarginBottom(), 4u);
}

// Without a printer selected (no default printer, a stored printer no longer there) Next
// shows 434 and stays.
TEST_F(PrinterPages, TheSystemPageNeedsAPrinter) {
    PutDevice("Device 01", "Zeroziro", "Z");
    PutString(kApp + "\\Device 01", "Printer Name", "Gone Printer");
    spooler.SetDefaultQueue("");
    for (const char* key : {"", "\\Device 01"}) {
        boxes.clear();
        Shown<CVekaPrpSystemFF> z(key);
        EXPECT_EQ(z.panel.Selected(S::IDC_PRINTER), -1) << key;
        EXPECT_EQ(z.Next(), kStay);
        EXPECT_EQ(boxes,
                  std::vector<std::string>{"A system printer name is required for this device."});
        z.panel.Select(S::IDC_PRINTER, 0);
        EXPECT_EQ(z.Next(), 106);
        EXPECT_EQ(z.page.GetPrinterName(), "Laser A");
    }
}

}  // namespace
