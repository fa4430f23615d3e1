#include <gtest/gtest.h>

#include <string>

#include "devices/CountryCodes.h"
#include "devices/PassportZone.h"

namespace {

using devices::CPassportFields;

std::string Fill(std::string text, std::size_t n) {
    text.resize(n, '<');
    return text;
}

// The reader's text of a two-line passport zone.
std::string Zone(const std::string& line1, const std::string& line2) {
    return "\x02" + Fill(line1, 44) + "\r" + line2 + "\r";
}

const std::string kLine1 = "P<UTOSPECIMEN<<TEST";
const std::string kLine2 = "X123456780UTO7408120F3012310" + std::string(14, '<') + "00";

TEST(PassportZone, TwoLineZonesAsTheShortText) {
    const struct {
        std::string buffer;
        int result;
        std::string text;
    } cases[] = {
        {Zone(kLine1, kLine2), 0, "P/X12345678/UTO/12AUG74/F-SPECIMEN/TEST"},
        {Zone("X<UTOSPECIMEN<<TEST", kLine2), 0, "F/X12345678/UTO/12AUG74/F-SPECIMEN/TEST"},
        {Zone(kLine1, "X123456780UTO7408120<3012310"), 0, "P/X12345678/UTO/12AUG74/SPECIMEN/TEST"},
        {Zone("P<DEUMUSTERMANN<<ERIKA<MARIA<<ANNA", kLine2), 0,
         "P/X12345678/DE/12AUG74/F-MUSTERMANN/ERIKA MARIA/ANNA"},
        {Zone("P<D<<SOLO", "C01X00T478D<<6408125F2702283<<<<<<<4"), 0,
         "P/C01X00T47/D<</12AUG64/F-SOLO"},
        {Zone(kLine1, kLine2.substr(0, 20)), devices::PASSPORT_SHORT_LINE2, ""},
        {Zone(kLine1, "X123456780UTO7413120F3012310"), devices::PASSPORT_BAD_DATE, ""},
        {Zone(kLine1, "X123456780UTO74A8120F3012310"), devices::PASSPORT_BAD_DATE, ""},
        {Zone("P<UTO<<TEST", kLine2), devices::PASSPORT_NO_SURNAME, ""},
        {"", devices::PASSPORT_NO_START, ""},
        {"\x02" + kLine1, devices::PASSPORT_NO_LINE_END, ""},
        {"\x02\r", devices::PASSPORT_SHORT_LINE2, ""},
    };
    for (const auto& c : cases) {
        CPassportFields f;
        EXPECT_EQ(devices::ParsePassportZone(c.buffer, f), c.result) << c.buffer;
        if (c.result == 0) {
            EXPECT_EQ(devices::FormatPassport(f), c.text);
        }
    }
}

TEST(PassportZone, ThreeLineCards) {
    const std::string buffer = "\x02" + Fill("I<UTOD231458907", 30) + "\r" +
                               Fill("7408122F1204159UTO", 30) + "\r" +
                               Fill("ERIKSSON<<ANNA<MARIA", 30) + "\r";
    CPassportFields f;
    ASSERT_EQ(devices::ParsePassportZone(buffer, f), 0);
    EXPECT_EQ(devices::FormatPassport(f), "F/D23145890/UTO/12AUG74/F-ERIKSSON/ANNA MARIA");
    const std::string badDate = "\x02" + Fill("I<UTOD231458907", 30) + "\r" +
                                Fill("7400122F1204159UTO", 30) + "\r" + Fill("A<<B", 30) + "\r";
    EXPECT_EQ(devices::ParsePassportZone(badDate, f), devices::PASSPORT_BAD_DATE);
}

TEST(PassportZone, LongNamesAreCut) {
    const std::string line1 = "P<UTO" + std::string(40, 'S') + "<<" + std::string(30, 'G');
    CPassportFields f;
    ASSERT_EQ(devices::ParsePassportZone("\x02" + line1 + "\r" + kLine2 + "\r", f), 0);
    EXPECT_EQ(f.strSurname, std::string(30, 'S'));
    EXPECT_EQ(f.strGiven1, std::string(26, 'G'));
}

TEST(PassportZone, RawDocumentsTurnFillersIntoSlashes) {
    EXPECT_EQ(devices::RawPassport("P<UTO<<A"), "P/UTO//A");
}

TEST(CountryCodes, Alpha3ToAlpha2) {
    EXPECT_EQ(devices::CountryCodeCount(), 249u);
    EXPECT_EQ(devices::Alpha2ForAlpha3("DEU"), "DE");
    EXPECT_EQ(devices::Alpha2ForAlpha3("ABW"), "AW");
    EXPECT_EQ(devices::Alpha2ForAlpha3("ZWE"), "ZW");
    EXPECT_EQ(devices::Alpha2ForAlpha3("UTO"), "UTO");
    EXPECT_EQ(devices::Alpha2ForAlpha3("D<<"), "D<<");
    EXPECT_EQ(devices::Alpha2ForAlpha3(""), "");
}

}  // namespace
