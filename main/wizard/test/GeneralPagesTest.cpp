// The configuration sheet's general page (each change written at once) and the wizard's
// finish page (Finish only while the store can be written).
#include <gtest/gtest.h>

#include "WizardFixture.h"
#include "core/Registry.h"
#include "uikit/MemorySheetSite.h"
#include "wizard/VekaPrp.h"
#include "wizard/VekaPrpAddPrp.h"
#include "wizard/VekaPrpVeka.h"

using namespace wizardtest;
using V = wizard::CVekaPrpVeka;

namespace {

const std::string kTrace = kRoot + "\\Trace";

class GeneralPages : public WizardTest {
protected:
    // The configuration sheet with its general page in front.
    struct Sheet {
        wizard::CVekaPrp sheet{105, 1};
        uikit::MemorySheetSite site{sheet};
        Sheet() { sheet.Attach(site); }
        uikit::MemoryPanel& panel() { return site.Active(); }
    };
};

TEST_F(GeneralPages, ShowsTheStoredValues) {
    PutDword(kApp + "\\Defaults\\Device", "Maximum Devices Selectable", 16);
    PutDword(kTrace, "Tracing Active", 5);
    PutDword(kTrace, "Sv Display Ptr Lniata", 0);
    PutString(kTrace, "Trace File Name", "C:\\BRXAPI.LOG");
    Sheet s;
    EXPECT_EQ(s.sheet.ActivePage().TemplateId(), 242);
    EXPECT_EQ(s.panel().GetText(V::IDC_MAXIMUM), "16");
    EXPECT_TRUE(s.panel().GetCheck(V::IDC_TRACE_ACTIVE));
    EXPECT_FALSE(s.panel().GetCheck(V::IDC_SV_DISP_LNIATA));
    EXPECT_EQ(s.panel().GetText(V::IDC_TRACE_FILE), "C:\\BRXAPI.LOG");
}

// Each control writes its own value at once; the trace switch and the file name turn Cancel
// into Close, the display switch does not. A file name changed and restored before leaving
// the field writes nothing, but Cancel has become Close.
TEST_F(GeneralPages, ChangesAreWrittenAtOnce) {
    PutString(kTrace, "Trace File Name", "C:\\BRXAPI.LOG");
    Sheet s;
    auto& panel = s.panel();

    panel.SetCheck(V::IDC_SV_DISP_LNIATA, true);
    s.sheet.Command(V::IDC_SV_DISP_LNIATA);
    EXPECT_EQ(Get(kTrace, "Sv Display Ptr Lniata"), "1");
    EXPECT_FALSE(s.sheet.CancelIsClose());

    panel.SetText(V::IDC_TRACE_FILE, "C:\\OTHER.LOG");
    s.sheet.Command(V::IDC_TRACE_FILE);
    panel.SetText(V::IDC_TRACE_FILE, "C:\\BRXAPI.LOG");
    s.sheet.Command(V::IDC_TRACE_FILE);
    EXPECT_TRUE(s.sheet.CancelIsClose());
    const auto values = ValueNames(kTrace);
    s.sheet.KillFocus(V::IDC_TRACE_FILE);
    EXPECT_EQ(ValueNames(kTrace), values);
    EXPECT_EQ(Get(kTrace, "Trace File Name"), "C:\\BRXAPI.LOG");

    panel.SetText(V::IDC_TRACE_FILE, "D:\\TRACE.LOG");
    s.sheet.KillFocus(V::IDC_TRACE_FILE);
    EXPECT_EQ(Get(kTrace, "Trace File Name"), "D:\\TRACE.LOG");

    panel.SetCheck(V::IDC_TRACE_ACTIVE, true);
    s.sheet.Command(V::IDC_TRACE_ACTIVE);
    EXPECT_EQ(Get(kTrace, "Tracing Active"), "1");
    panel.SetCheck(V::IDC_TRACE_ACTIVE, false);
    s.sheet.Command(V::IDC_TRACE_ACTIVE);
    EXPECT_EQ(Get(kTrace, "Tracing Active"), "0");

    // Cancel keeps what was written.
    s.sheet.Cancel();
    EXPECT_EQ(Get(kTrace, "Trace File Name"), "D:\\TRACE.LOG");
}

TEST_F(GeneralPages, WithoutTheTraceKeyNothingIsWritten) {
    Sheet s;
    EXPECT_EQ(s.panel().GetText(V::IDC_MAXIMUM), "");
    s.panel().SetCheck(V::IDC_TRACE_ACTIVE, true);
    s.sheet.Command(V::IDC_TRACE_ACTIVE);
    s.panel().SetText(V::IDC_TRACE_FILE, "C:\\X.LOG");
    s.sheet.KillFocus(V::IDC_TRACE_FILE);
    EXPECT_FALSE(KeyExists(kTrace));
    EXPECT_TRUE(s.sheet.CancelIsClose());
}

// The finish page offers Back and Finish with a writable store, Back only with a read-only
// one, so that the wizard cannot finish.
TEST_F(GeneralPages, FinishOnlyWithAWritableStore) {
    for (const int level : {CRegistryBase::ACCESS_FULL, CRegistryBase::ACCESS_READ}) {
        CRegistryBase::SetAccessLevel(level);
        wizard::CVekaPrpAddPrp sheet("W", 0, "Device 01");
        uikit::MemorySheetSite site(sheet);
        sheet.Attach(site);
        sheet.PushPage(241);
        ASSERT_TRUE(sheet.SetActivePage(sheet.FindPage(481)));
        const bool full = level == CRegistryBase::ACCESS_FULL;
        EXPECT_EQ(sheet.WizardButtons(),
                  full ? uikit::PSWIZB_BACK | uikit::PSWIZB_FINISH : uikit::PSWIZB_BACK);
        EXPECT_EQ(sheet.Finish(), full);
        if (!full) {
            EXPECT_FALSE(sheet.CanNext());
            EXPECT_TRUE(sheet.Back());
            EXPECT_EQ(sheet.ActivePage().TemplateId(), 241);
        }
    }
}

}  // namespace
