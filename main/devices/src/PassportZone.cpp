#include "devices/PassportZone.h"

#include <vector>

#include "devices/CountryCodes.h"

namespace devices {

namespace {

constexpr std::size_t kNumberLength = 9;
constexpr std::size_t kSurnameLength = 30;
constexpr std::size_t kGivenLength = 26;
constexpr std::size_t kTwoLineMinimum = 21;
constexpr std::size_t kThreeLineMinimum = 30;
constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Characters [from, from + n) of the text, as many of them as there are.
std::string Part(const std::string& text, std::size_t from, std::size_t n) {
    return from < text.size() ? text.substr(from, n) : std::string();
}

char At(const std::string& text, std::size_t i) {
    return i < text.size() ? text[i] : '<';
}

std::string WithoutFillers(std::string text) {
    std::erase(text, '<');
    return text;
}

bool Digits(const std::string& text) {
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// YYMMDD as DDMONYY; false (month "***") when the date is none.
bool BirthDate(const std::string& yymmdd, std::string& out) {
    const bool bDigits = yymmdd.size() == 6 && Digits(yymmdd);
    const int month = bDigits ? (yymmdd[2] - '0') * 10 + (yymmdd[3] - '0') : 0;
    const bool bGood = month >= 1 && month <= 12;
    out = Part(yymmdd, 4, 2) + (bGood ? kMonths[month - 1] : "***") + Part(yymmdd, 0, 2);
    return bGood;
}

// The name groups of a name field: groups end at "<<", words within one at "<".
int Names(const std::string& field, CPassportFields& f) {
    std::vector<std::string> groups(1);
    for (std::size_t i = 0; i < field.size() && groups.size() <= 3; ++i) {
        if (field[i] != '<') {
            groups.back() += field[i];
        } else if (i + 1 < field.size() && field[i + 1] == '<') {
            ++i;
            while (i + 1 < field.size() && field[i + 1] == '<') ++i;
            groups.emplace_back();
        } else {
            groups.back() += ' ';
        }
    }
    for (auto& g : groups)
        while (!g.empty() && g.back() == ' ') g.pop_back();
    groups.resize(3);
    f.strSurname = groups[0].substr(0, kSurnameLength);
    f.strGiven1 = groups[1].substr(0, kGivenLength);
    f.strGiven2 = groups[2].substr(0, kGivenLength);
    return f.strSurname.empty() ? PASSPORT_NO_SURNAME : PASSPORT_OK;
}

// The line starting at from, up to its carriage return (or the end); from moves past it.
std::string NextLine(const std::string& text, std::size_t& from, bool& bEnded) {
    const std::size_t cr = text.find('\r', from);
    bEnded = cr != std::string::npos;
    std::string line = text.substr(from, bEnded ? cr - from : std::string::npos);
    from = bEnded ? cr + 1 : text.size();
    if (from < text.size() && text[from] == '\n') ++from;
    return line;
}

}  // namespace

int ParsePassportZone(const std::string& buffer, CPassportFields& f) {
    if (buffer.empty()) return PASSPORT_NO_START;
    std::size_t at = 1;
    bool bEnded = false;
    const std::string line1 = NextLine(buffer, at, bEnded);
    if (!bEnded) return PASSPORT_NO_LINE_END;
    const std::string line2 = NextLine(buffer, at, bEnded);
    if (line2.size() < kTwoLineMinimum) return PASSPORT_SHORT_LINE2;
    const std::string line3 = NextLine(buffer, at, bEnded);

    const char type = At(line1, 0);
    f.cType = std::string("ACPTVF").find(type) != std::string::npos && type != 0 ? type : 'F';
    const std::string alpha3 = Part(line1, 2, 3);
    int result;
    if (line3.size() >= kThreeLineMinimum) {
        f.strNumber = WithoutFillers(Part(line1, 5, kNumberLength));
        f.cSex = At(line2, 7);
        if (!BirthDate(Part(line2, 0, 6), f.strBirth)) return PASSPORT_BAD_DATE;
        result = Names(line3, f);
    } else {
        result = Names(Part(line1, 5, std::string::npos), f);
        if (result != PASSPORT_OK) return result;
        f.strNumber = WithoutFillers(Part(line2, 0, kNumberLength));
        f.cSex = At(line2, 20);
        result = BirthDate(Part(line2, 13, 6), f.strBirth) ? PASSPORT_OK : PASSPORT_BAD_DATE;
    }
    f.strCountry = Alpha2ForAlpha3(alpha3);
    return result;
}

std::string FormatPassport(const CPassportFields& f) {
    std::string out;
    out += f.cType;
    out += "/" + f.strNumber + "/" + f.strCountry + "/" + f.strBirth + "/";
    if (f.cSex != '<') {
        out += f.cSex;
        out += '-';
    }
    out += f.strSurname;
    if (!f.strGiven1.empty()) out += "/" + f.strGiven1;
    if (!f.strGiven2.empty()) out += "/" + f.strGiven2;
    return out;
}

std::string RawPassport(const std::string& buffer) {
    std::string out = buffer;
    for (char& c : out)
        if (c == '<') c = '/';
    return out;
}

}  // namespace devices
