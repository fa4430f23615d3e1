// The machine-readable zone of a passport or identity card as the reader sends it: one start
// byte, then the zone's lines each ended by a carriage return. Parsed into the fields the
// program passes on, and formatted as the short slash-separated text.
#pragma once

#include <string>

namespace devices {

struct CPassportFields {
    char cType = 0;
    std::string strCountry;  // alpha-2 when the table knows the alpha-3 code
    std::string strNumber;   // without '<' fillers
    std::string strBirth;    // DDMONYY
    char cSex = '<';
    std::string strSurname;
    std::string strGiven1;
    std::string strGiven2;
};

// Results of ParsePassportZone.
inline constexpr int PASSPORT_OK = 0;
inline constexpr int PASSPORT_NO_START = -1;
inline constexpr int PASSPORT_NO_SURNAME = -3;
inline constexpr int PASSPORT_SHORT_LINE2 = -6;
inline constexpr int PASSPORT_NO_LINE_END = -8;
inline constexpr int PASSPORT_BAD_DATE = -9;

// Parses the reader's text of one document (start byte first).
int ParsePassportZone(const std::string& buffer, CPassportFields& fields);
// "P/X12345678/UTO/12AUG74/F-SPECIMEN/TEST".
std::string FormatPassport(const CPassportFields& fields);
// The document passed on unparsed: every '<' as '/'.
std::string RawPassport(const std::string& buffer);

}  // namespace devices
