#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/TextPrintout.h"
#include "support/RecordingTextPage.h"

namespace {

using devices::CTextPrintout;
using devices::CTextSettings;
using Doc = support::RecordingTextPages::Document;

TEST(TextPrintout, MediaNamesGiveThePageSize) {
    const struct {
        const char* media;
        int w, h;
    } cases[] = {
        {"iso_a4_210x297mm", 4961, 7016}, {"na_letter_8.5x11in", 5100, 6600},
        {"iso_a5_148x210mm", 3496, 4961}, {"", 4961, 7016},
        {"custom", 4961, 7016},           {"x_0x297mm", 4961, 7016},
        {"bad_axbmm", 4961, 7016},        {"odd_10x20cm", 4961, 7016},
    };
    for (const auto& c : cases) {
        int w = 0, h = 0;
        CTextPrintout::MediaSize(c.media, w, h);
        EXPECT_EQ(w, c.w) << c.media;
        EXPECT_EQ(h, c.h) << c.media;
    }
}

TEST(TextPrintout, FaceAndSizeFallBackToTenPointCourier) {
    const struct {
        std::string font, size, face;
        int height;
    } cases[] = {
        {"Arial", "12", "Arial", -100},
        {"", "", "Courier", -83},
        {std::string(32, 'F'), "0", "Courier", -83},
        {std::string(31, 'F'), "-3", std::string(31, 'F'), -83},
        {"Mono", "x", "Mono", -83},
    };
    for (const auto& c : cases) {
        CTextSettings s;
        s.strFont = c.font;
        s.strFontSize = c.size;
        EXPECT_EQ(CTextPrintout::FaceOf(s), c.face);
        EXPECT_EQ(CTextPrintout::HeightOf(s), c.height) << c.size;
    }
}

class TextPrintoutLayout : public ::testing::Test {
protected:
    Doc Print(const std::vector<std::string>& buffers, CTextSettings s = {}) {
        s.strFontSize = "12";  // 100 units: ascent 80, descent 20, line height 100
        CTextPrintout printout;
        EXPECT_TRUE(printout.Start(s, "na_letter_8.5x11in"));
        for (const auto& b : buffers) {
            std::uint32_t sent = 0;
            EXPECT_TRUE(printout.Write(b, sent));
            EXPECT_EQ(sent, b.size());
        }
        std::string doc;
        EXPECT_TRUE(printout.Finish(doc));
        EXPECT_FALSE(printout.IsOpen());
        const auto docs = pages.Documents();
        return docs.empty() ? Doc{} : docs.back();
    }

    support::RecordingTextPages pages;
};

TEST_F(TextPrintoutLayout, LinesGoDownThePageFromTheMargins) {
    CTextSettings s;
    s.iMarginTop = 500;   // 300 units
    s.iMarginLeft = 250;  // 150 units
    const Doc d = Print({"ONE\nT\rW\fO\nTHREE"}, s);
    ASSERT_EQ(d.texts.size(), 3u);
    EXPECT_EQ(d.texts[0].y, 300);
    EXPECT_EQ(d.texts[1].y, 400);
    EXPECT_EQ(d.texts[2].y, 500);
    EXPECT_EQ(d.texts[1].text, "T W O");
    for (const auto& t : d.texts) EXPECT_EQ(t.x, 150);
    EXPECT_EQ(d.iPages, 1);
    EXPECT_EQ(d.strFace, "Courier");
}

TEST_F(TextPrintoutLayout, ABufferWithoutLineFeedIsContinuedOnTheSameLine) {
    const Doc d = Print({"AB", "CD\nE"});
    ASSERT_EQ(d.texts.size(), 3u);
    EXPECT_EQ(d.texts[1].x, 100);  // two characters of 50
    EXPECT_EQ(d.texts[1].y, 0);
    EXPECT_EQ(d.texts[2].x, 0);
    EXPECT_EQ(d.texts[2].y, 100);
}

TEST_F(TextPrintoutLayout, AFullPageStartsTheNext) {
    CTextSettings s;
    s.iMarginTop = 5000;     // 3000 units
    s.iMarginBottom = 5000;  // of 6600: 600 units, six lines
    std::string text;
    for (int i = 0; i < 7; ++i) text += "L" + std::to_string(i) + "\n";
    const Doc d = Print({text + "LAST"}, s);
    ASSERT_EQ(d.texts.size(), 8u);
    EXPECT_EQ(d.iPages, 2);
    EXPECT_EQ(d.texts[5].iPage, 1);
    EXPECT_EQ(d.texts[6].iPage, 2);
    EXPECT_EQ(d.texts[6].y, 3000);
}

TEST_F(TextPrintoutLayout, MarginsLargerThanThePageStillGiveOneLinePerPage) {
    CTextSettings s;
    s.iMarginTop = 20000;
    const Doc d = Print({"A\nB"}, s);
    EXPECT_EQ(d.iPages, 2);
}

TEST_F(TextPrintoutLayout, LandscapeTurnsThePage) {
    CTextSettings s;
    s.dwOrientation = 2;
    const Doc d = Print({"X"}, s);
    EXPECT_EQ(d.iWidth, 6600);
    EXPECT_EQ(d.iHeight, 5100);
}

TEST_F(TextPrintoutLayout, ARefusedFontLeavesNothingOpen) {
    pages.RefuseFace("Courier");
    CTextPrintout printout;
    EXPECT_FALSE(printout.Start({}, ""));
    EXPECT_FALSE(printout.IsOpen());
    std::uint32_t sent = 0;
    EXPECT_FALSE(printout.Write("X", sent));
}

}  // namespace
