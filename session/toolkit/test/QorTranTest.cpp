#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FailingHeap.h"
#include "support/Hex.h"
#include "toolkit/QorTran.h"
#include "toolkit/QorTranTables.h"

using QorTranNS::CQorTran;
using support::FromHex;
using support::ToHex;
using Bytes = std::vector<std::uint8_t>;

namespace {

CQorTran AsciiTran() {
    using namespace QorTranNS;
    return CQorTran(kAsciiClientToQFE, kAsciiClientToExtendedQFE, kAsciiQFEToClient,
                    kAsciiExtendedQFEToClient);
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// One translation that owns its output buffer.
struct Out {
    std::uint8_t* bytes = nullptr;
    std::uint32_t length = 0;
    ~Out() { CQorTran::DeallocateLastMessage(&bytes); }
    Bytes Get() const { return bytes ? Bytes(bytes, bytes + length) : Bytes(); }
};

TEST(QorTranTest, ClientToQFETranslatesRangesAndAppendsTerminators) {
    const CQorTran tran = AsciiTran();
    struct Case {
        Bytes input;
        std::uint32_t terminator;
        std::uint32_t begin;
        std::uint32_t xlate;
        CQorTran::RESULTCODE rc;
        const char* output;
    };
    const Case cases[] = {
        {Text("ab"), 1, 0, 0, CQorTran::QORTRAN_SUCCESS, "5D C1 5D C2 4E"},
        {Text("AB"), 1, 0, 0, CQorTran::QORTRAN_SUCCESS, "C1 C2 4E"},
        {Text("A"), 2, 0, 0, CQorTran::QORTRAN_SUCCESS, "C1 5F"},
        {Text("A"), 3, 0, 0, CQorTran::QORTRAN_SUCCESS, "C1 7E"},
        {Text("A"), 4, 0, 0, CQorTran::QORTRAN_SUCCESS, "C1 6D"},
        {Text("A"), 7, 0, 0, CQorTran::QORTRAN_SUCCESS, "C1 4E"},
        {Text("A 1,"), 0, 0, 0, CQorTran::QORTRAN_SUCCESS, "C1 40 F1 6B"},
        {{0x02, 0x03}, 0, 0, 0, CQorTran::QORTRAN_EMPTY_STRING, ""},
        {{0x02, 0x03}, 2, 0, 0, CQorTran::QORTRAN_SUCCESS, "5F"},
        {{0x7E}, 0, 0, 0, CQorTran::QORTRAN_EMPTY_STRING, ""},  // base 0x00
        {{0x22}, 0, 0, 0, CQorTran::QORTRAN_EMPTY_STRING, ""},  // shift without a second byte
        {Text("ABCD"), 0, 1, 2, CQorTran::QORTRAN_SUCCESS, "C2 C3"},
        {Text("ABCD"), 0, 2, 0, CQorTran::QORTRAN_SUCCESS, "C3 C4"},
        {Text("ABCD"), 1, 4, 0, CQorTran::QORTRAN_SUCCESS, "4E"},
        {Text("ABCD"), 0, 5, 0, CQorTran::QORTRAN_BEGIN_OFFSET_TOO_LARGE, ""},
        {Text("ABCD"), 0, 0, 5, CQorTran::QORTRAN_XLATE_LENGTH_TOO_LARGE, ""},
        {Text("ABCD"), 0, 3, 2, CQorTran::QORTRAN_OFFSET_PLUS_LENGTH_TOO_LARGE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToHex(c.input) + " terminator " + std::to_string(c.terminator));
        Out out;
        const auto terminator = static_cast<CQorTran::EOM_TERMINATOR>(c.terminator);
        EXPECT_EQ(tran.ClientToQFE(c.input.data(), static_cast<std::uint32_t>(c.input.size()),
                                   &out.bytes, &out.length, c.begin, terminator, c.xlate),
                  c.rc);
        EXPECT_EQ(ToHex(out.Get()), c.output);
        if (c.rc != CQorTran::QORTRAN_SUCCESS) {
            EXPECT_EQ(out.bytes, nullptr);
            EXPECT_EQ(out.length, 0u);
        }
        std::uint32_t calculated = 99;
        if (c.rc == CQorTran::QORTRAN_SUCCESS) {
            EXPECT_EQ(tran.CalcClientToQFEResultLength(c.input.data(),
                                                       static_cast<std::uint32_t>(c.input.size()),
                                                       &calculated, c.begin, terminator, c.xlate),
                      CQorTran::QORTRAN_SUCCESS);
            EXPECT_EQ(calculated, out.length);
        }
    }
}

TEST(QorTranTest, TranslationsCheckTheirArgumentsInOrder) {
    const CQorTran tran = AsciiTran();
    const CQorTran noTables;
    const std::uint8_t in[2] = {0xC1, 0xC2};
    Out out;
    std::uint32_t length = 7;
    auto eom = CQorTran::EOM_EARLY_4E;
    auto span = CQorTran::SPAN_NONE;
    const auto none = CQorTran::EOM_NONE;

    struct Case {
        CQorTran::RESULTCODE toQfe;
        CQorTran::RESULTCODE toClient;
        CQorTran::RESULTCODE expected;
    };
    const Case cases[] = {
        {tran.ClientToQFE(nullptr, 2, &out.bytes, &length, 0, none, 0),
         tran.QFEToClient(nullptr, 2, &out.bytes, &length, eom, span, 0, 0, 0, 0, 0),
         CQorTran::QORTRAN_NULL_INPUT_MESSAGE},
        {tran.ClientToQFE(in, 0, &out.bytes, &length, 0, none, 0),
         tran.QFEToClient(in, 0, &out.bytes, &length, eom, span, 0, 0, 0, 0, 0),
         CQorTran::QORTRAN_INPUT_MESSAGE_LENGTH_IS_ZERO},
        {tran.ClientToQFE(in, 2, nullptr, &length, 0, none, 0),
         tran.QFEToClient(in, 2, nullptr, &length, eom, span, 0, 0, 0, 0, 0),
         CQorTran::QORTRAN_NULL_OUTPUT_MESSAGE},
        {tran.ClientToQFE(in, 2, &out.bytes, nullptr, 0, none, 0),
         tran.QFEToClient(in, 2, &out.bytes, nullptr, eom, span, 0, 0, 0, 0, 0),
         CQorTran::QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH},
        {tran.ClientToQFE(in, 2, &out.bytes, &length, 3, none, 0),
         tran.QFEToClient(in, 2, &out.bytes, &length, eom, span, 3, 0, 0, 0, 0),
         CQorTran::QORTRAN_BEGIN_OFFSET_TOO_LARGE},
        {tran.ClientToQFE(in, 2, &out.bytes, &length, 0, none, 3),
         tran.QFEToClient(in, 2, &out.bytes, &length, eom, span, 0, 0, 0, 3, 0),
         CQorTran::QORTRAN_XLATE_LENGTH_TOO_LARGE},
        {tran.ClientToQFE(in, 2, &out.bytes, &length, 1, none, 2),
         tran.QFEToClient(in, 2, &out.bytes, &length, eom, span, 1, 0, 0, 2, 0),
         CQorTran::QORTRAN_OFFSET_PLUS_LENGTH_TOO_LARGE},
        {noTables.ClientToQFE(in, 2, &out.bytes, &length, 0, none, 0),
         noTables.QFEToClient(in, 2, &out.bytes, &length, eom, span, 0, 0, 0, 0, 0),
         CQorTran::QORTRAN_TABLES_NOT_DEFINED},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].toQfe, cases[i].expected);
        EXPECT_EQ(cases[i].toClient, cases[i].expected);
        EXPECT_EQ(out.bytes, nullptr);
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(eom, CQorTran::EOM_NOT_FOUND);
    }
    // The length functions guard their pointers too.
    EXPECT_EQ(tran.CalcClientToQFEResultLength(nullptr, 2, &length, 0, none, 0),
              CQorTran::QORTRAN_NULL_INPUT_MESSAGE);
    EXPECT_EQ(tran.CalcClientToQFEResultLength(in, 2, nullptr, 0, none, 0),
              CQorTran::QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH);
    EXPECT_EQ(tran.CalcQFEToClientResultLength(nullptr, 2, &length, eom, span, 0, 0, 0, 0, 0),
              CQorTran::QORTRAN_NULL_INPUT_MESSAGE);
}

TEST(QorTranTest, QFEToClientHandlesShiftsCompactionFieldMarksAndEoms) {
    const CQorTran tran = AsciiTran();
    struct Case {
        const char* input;
        std::uint32_t spanIn;
        int header;
        int fieldMark;
        int keepEom;
        std::uint32_t begin;
        CQorTran::RESULTCODE rc;
        const char* output;
        std::uint32_t eom;
        std::uint32_t spanOut;
    };
    using R = CQorTran;
    const Case cases[] = {
        {"C1 4E C2", 0, 0, 0, 0, 0, R::QORTRAN_OUTPUT_TRUNCATED, "41", 0, 0},
        {"C1 C2 4E", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41 42", 4, 0},
        {"C1 C2 4E", 0, 0, 0, 1, 0, R::QORTRAN_SUCCESS, "41 42 15", 4, 0},
        {"C1 5F C2", 0, 0, 0, 1, 0, R::QORTRAN_OUTPUT_TRUNCATED, "41 16", 1, 0},
        {"C1 7E C2", 0, 0, 0, 0, 0, R::QORTRAN_OUTPUT_TRUNCATED, "41", 2, 0},
        {"C1 6D 00", 0, 0, 0, 0, 0, R::QORTRAN_OUTPUT_TRUNCATED, "41", 3, 0},
        {"C1 5F", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 5, 0},
        {"C1 7E", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 6, 0},
        {"C1 6D", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 7, 0},
        {"4E", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 4, 0},
        {"4E C1", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 0, 0},
        // Shifts: lower case, ")" from a doubled shift, 0x00 and 0x6C cancel a shift.
        {"5D C1 5D C2", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "61 62", 8, 0},
        {"5D 5D", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "29", 8, 0},
        {"5D 00 C1", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 8, 0},
        {"5D 6C C1", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 8, 0},
        {"5D 4E", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 4, 1},
        {"5D 81", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 8, 0},  // no extended meaning
        // Blank compaction: 4 blanks for A up to 29 for Z; other count bytes give nothing.
        {"5D 40 C3", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "20 20 20 20 20 20", 8, 0},
        {"5D 40 C1 C2", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "20 20 20 20 42", 8, 0},
        {"5D 40 F1 C2", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "42", 8, 0},
        {"5D 40 4E C2", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "42", 8, 0},  // the count is eaten
        // Segments: a shift or a compaction marker at the end is carried to the next one.
        {"C1 5D", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 8, 1},
        {"C1", 1, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "61", 8, 0},
        {"C1 5D 40", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 8, 2},
        {"C4", 2, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "20 20 20 20 20 20 20", 8, 0},
        {"5D", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 8, 1},
        {"5D 40", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 8, 2},
        {"5D", 1, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "29", 8, 0},
        // Field marks count only on the first two bytes behind the begin offset.
        {"6C 6C C1 6C", 0, 0, 1, 0, 0, R::QORTRAN_SUCCESS, "1F 1F 41", 8, 0},
        {"6C 6C C1 6C", 0, 0, 0, 0, 0, R::QORTRAN_SUCCESS, "41", 8, 0},
        {"C1 6C 6C 6C", 0, 0, 1, 0, 1, R::QORTRAN_SUCCESS, "1F 1F", 8, 0},
        {"00 00", 0, 0, 0, 0, 0, R::QORTRAN_EMPTY_STRING, "", 8, 0},
        {"C1 C2 C3", 0, 0, 0, 0, 1, R::QORTRAN_SUCCESS, "42 43", 8, 0},
        // A header is copied as it is, counted in the length, and moves the field marks.
        {"01 02 03 C1", 0, 1, 0, 0, 0, R::QORTRAN_SUCCESS, "01 02 03 41", 8, 0},
        {"01 02 03 6C 6C 6C", 0, 1, 1, 0, 0, R::QORTRAN_SUCCESS, "01 02 03 1F 1F", 8, 0},
        {"01 02 03", 0, 1, 0, 0, 0, R::QORTRAN_SUCCESS, "01 02 03", 8, 0},
        {"01 02", 0, 1, 0, 0, 0, R::QORTRAN_BEGIN_OFFSET_TOO_LARGE, "", 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " span " + std::to_string(c.spanIn) + " header " +
                     std::to_string(c.header));
        const Bytes in = FromHex(c.input);
        const auto size = static_cast<std::uint32_t>(in.size());
        Out out;
        auto eom = CQorTran::EOM_EARLY_6D;
        auto span = static_cast<CQorTran::SEGMENT_SPAN_STATUS>(c.spanIn);
        EXPECT_EQ(tran.QFEToClient(in.data(), size, &out.bytes, &out.length, eom, span, c.begin,
                                   c.header, c.fieldMark, 0, c.keepEom),
                  c.rc);
        EXPECT_EQ(ToHex(out.Get()), c.output);
        EXPECT_EQ(eom, c.eom);
        if (c.rc != CQorTran::QORTRAN_BEGIN_OFFSET_TOO_LARGE) {
            EXPECT_EQ(span, c.spanOut);
        }
        if (out.bytes != nullptr) {
            EXPECT_EQ(out.bytes[out.length], 0) << "the output is NUL-terminated";
            std::uint32_t calculated = 0;
            auto calcEom = CQorTran::EOM_NOT_FOUND;
            auto calcSpan = static_cast<CQorTran::SEGMENT_SPAN_STATUS>(c.spanIn);
            (void)tran.CalcQFEToClientResultLength(in.data(), size, &calculated, calcEom, calcSpan,
                                                   c.begin, c.header, c.fieldMark, 0, c.keepEom);
            EXPECT_EQ(calculated, out.length);
            EXPECT_EQ(calcSpan, c.spanIn) << "the length function only reads the span status";
        }
    }
}

// A message cut into two segments anywhere translates as the whole message does.
TEST(QorTranTest, SegmentsCutAnywhereGiveTheWholeMessage) {
    const CQorTran tran = AsciiTran();
    const Bytes message = FromHex("C1 5D C2 5D 40 C4 5D 5D F1 5D 40 C1 5D 7A 4B C3 4E");
    Out whole;
    auto eom = CQorTran::EOM_NOT_FOUND;
    auto span = CQorTran::SPAN_NONE;
    ASSERT_EQ(tran.QFEToClient(message.data(), static_cast<std::uint32_t>(message.size()),
                               &whole.bytes, &whole.length, eom, span, 0, 0, 0, 0, 0),
              CQorTran::QORTRAN_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(whole.bytes), whole.length),
              "Ab       )1    !.C");
    for (std::size_t cut = 1; cut < message.size(); ++cut) {
        SCOPED_TRACE(cut);
        span = CQorTran::SPAN_NONE;
        Bytes joined;
        Out part;  // one pointer reused for the stream
        const std::uint8_t* pieces[2] = {message.data(), message.data() + cut};
        const std::size_t sizes[2] = {cut, message.size() - cut};
        for (int i = 0; i < 2; ++i) {
            const auto rc = tran.QFEToClient(pieces[i], static_cast<std::uint32_t>(sizes[i]),
                                             &part.bytes, &part.length, eom, span, 0, 0, 0, 0, 0);
            ASSERT_TRUE(rc == CQorTran::QORTRAN_SUCCESS || rc == CQorTran::QORTRAN_EMPTY_STRING)
                << rc;
            const Bytes got = part.Get();
            joined.insert(joined.end(), got.begin(), got.end());
        }
        EXPECT_EQ(joined, whole.Get());
        EXPECT_EQ(eom, CQorTran::EOM_LAST_4E);
        EXPECT_EQ(span, CQorTran::SPAN_NONE);
    }
}

TEST(QorTranTest, StaticAsciiEbcdicTablesAreInversePermutations) {
    std::uint8_t all[256];
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t ebcdic[256];
    std::uint8_t back[256];
    CQorTran::ASCIItoEBCDIC(256, all, ebcdic);
    CQorTran::EBCDICtoASCII(256, ebcdic, back);
    EXPECT_EQ(std::memcmp(all, back, 256), 0);
    bool seen[256] = {};
    for (const std::uint8_t e : ebcdic) {
        EXPECT_FALSE(seen[e]) << "EBCDIC code used twice: " << int(e);
        seen[e] = true;
    }
    // Landmarks of the Latin-1 EBCDIC code page in the lower half.
    const std::pair<char, std::uint8_t> landmarks[] = {
        {' ', 0x40}, {'A', 0xC1},  {'J', 0xD1}, {'S', 0xE2}, {'a', 0x81},  {'z', 0xA9},
        {'0', 0xF0}, {'9', 0xF9},  {'[', 0xAD}, {']', 0xBD}, {'^', 0x5F},  {'!', 0x5A},
        {'|', 0x4F}, {'\n', 0x25}, {'~', 0xA1}, {'{', 0xC0}, {'\\', 0xE0}, {0x7F, 0x07}};
    for (const auto& [ascii, code] : landmarks) {
        EXPECT_EQ(ebcdic[static_cast<std::uint8_t>(ascii)], code) << ascii;
    }
    // Null or empty arguments leave the target alone.
    std::uint8_t target = 0x55;
    EXPECT_EQ(CQorTran::ASCIItoEBCDIC(0, all, &target), &target);
    EXPECT_EQ(CQorTran::EBCDICtoASCII(1, nullptr, &target), &target);
    EXPECT_EQ(target, 0x55);
}

TEST(QorTranTest, AnsiTablesDifferFromAsciiTablesInTheListedEntriesOnly) {
    using namespace QorTranNS;
    struct Diff {
        const std::uint8_t* ascii;
        const std::uint8_t* ansi;
        std::vector<std::pair<int, std::pair<int, int>>> entries;  // index, ascii, ansi
    };
    const Diff diffs[] = {
        {kAsciiClientToQFE, kAnsiClientToQFE, {{0x7E, {0x00, 0x5D}}}},
        {kAsciiClientToExtendedQFE, kAnsiClientToExtendedQFE, {}},
        {kAsciiQFEToClient, kAnsiQFEToClient, {{0x5B, {0x9D, 0x87}}, {0x7C, {0x01, 0xA4}}}},
        {kAsciiExtendedQFEToClient, kAnsiExtendedQFEToClient, {{0xF8, {0xE4, 0xA7}}}},
    };
    for (std::size_t t = 0; t < std::size(diffs); ++t) {
        SCOPED_TRACE(t);
        std::vector<std::pair<int, std::pair<int, int>>> found;
        for (int i = 0; i < 256; ++i) {
            if (diffs[t].ascii[i] != diffs[t].ansi[i]) {
                found.push_back({i, {diffs[t].ascii[i], diffs[t].ansi[i]}});
            }
        }
        EXPECT_EQ(found, diffs[t].entries);
    }
    // The shift byte's companion: every base entry 0x5D of the ASCII set that yields
    // anything has an extended byte.
    EXPECT_EQ(kAsciiClientToQFE[0x61], 0x5D);
    EXPECT_EQ(kAsciiClientToExtendedQFE[0x61], 0xC1);
}

TEST(QorTranTest, TablesCanBeReadBackAndAreZeroBeforeTheyAreSet) {
    CQorTran tran;
    std::uint8_t base[256];
    std::uint8_t extended[256];
    std::memset(base, 0x77, sizeof base);
    std::memset(extended, 0x77, sizeof extended);
    tran.GetClientToQFETables(base, extended);
    tran.GetQFEToClientTables(base, extended);
    EXPECT_EQ(base[0], 0);
    EXPECT_EQ(extended[255], 0);

    tran.SetQFEToClientTables(QorTranNS::kAnsiQFEToClient, QorTranNS::kAnsiExtendedQFEToClient);
    tran.GetQFEToClientTables(base, extended);
    EXPECT_EQ(std::memcmp(base, QorTranNS::kAnsiQFEToClient, 256), 0);
    EXPECT_EQ(std::memcmp(extended, QorTranNS::kAnsiExtendedQFEToClient, 256), 0);
    tran.SetClientToQFETables(QorTranNS::kAsciiClientToQFE, QorTranNS::kAsciiClientToExtendedQFE);
    tran.GetClientToQFETables(base, extended);
    EXPECT_EQ(std::memcmp(base, QorTranNS::kAsciiClientToQFE, 256), 0);
}

TEST(QorTranTest, ResultTextsAndVersion) {
    EXPECT_STREQ(CQorTran::GetResultCodeText(CQorTran::QORTRAN_SUCCESS), "QORTRAN_SUCCESS");
    EXPECT_STREQ(CQorTran::GetResultCodeText(CQorTran::QORTRAN_OUTPUT_TRUNCATED),
                 "QORTRAN_OUTPUT_TRUNCATED");
    EXPECT_STREQ(CQorTran::GetResultCodeText(CQorTran::QORTRAN_REQUIRED_ARG_IS_NULL),
                 "QORTRAN_REQUIRED_ARG_IS_NULL");
    const char* outOfRange =
        "ResultCode out of range! Define a matching string in QorTran::sm_ResultCodeStrings!";
    EXPECT_STREQ(CQorTran::GetResultCodeText(CQorTran::QORTRAN_ALLOCATION_FAILED), outOfRange);
    EXPECT_STREQ(CQorTran::GetResultCodeText(static_cast<CQorTran::RESULTCODE>(-1)), outOfRange);
    EXPECT_STREQ(CQorTran::GetVersion(), "1.0.2.14");
}

TEST(QorTranTest, PrintableNamesOfSingleCodes) {
    struct Case {
        std::uint8_t code;
        const char* ascii;
        char asciiChar;
        const char* ebcdic;
        char ebcdicChar;
    };
    const Case cases[] = {
        {0x00, "NUL", '.', "NUL", '.'},     {0x01, "SQH", '.', "SQH", '.'},
        {0x20, "SP", ' ', "DS", '.'},       {0x25, "PCT", '.', "LF", '.'},
        {0x29, ")", ')', "SFE", '.'},       {0x30, "0", '0', " ", '.'},
        {0x3F, "?", '?', "SUB", '.'},       {0x40, "@", '@', "SP", '.'},
        {0x41, "A", 'A', "RSP", '.'},       {0x4A, "J", 'J', "\xA3", '\xA3'},
        {0x5F, "_", '_', "\xAC", '\xAC'},   {0x6A, "j", 'j', "|", '|'},
        {0x6C, "l", 'l', "PCT", '%'},       {0x7F, "DEL", '.', "\"", '"'},
        {0x81, "\x81", '\x81', "a", 'a'},   {0xC1, "\xC1", '\xC1', "A", 'A'},
        {0xCA, "\xCA", '\xCA', "SHY", '.'}, {0xE0, "\xE0", '\xE0', "\\", '\\'},
        {0xE1, "\xE1", '\xE1', "NSP", '.'}, {0xF5, "\xF5", '\xF5', "5", '5'},
        {0xFF, "\xFF", '\xFF', "EO", '.'},  {0xB0, "\xB0", '\xB0', " ", '.'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.code));
        char buffer[8];
        std::uint8_t ch = 0;
        EXPECT_STREQ(CQorTran::ConvertASCIIToPrintableString(c.code, buffer), c.ascii);
        EXPECT_EQ(CQorTran::ConvertASCIIToPrintableChar(c.code, ch),
                  static_cast<std::uint8_t>(c.asciiChar));
        EXPECT_STREQ(CQorTran::ConvertEBCDICToPrintableString(c.code, buffer), c.ebcdic);
        EXPECT_EQ(CQorTran::ConvertEBCDICToPrintableChar(c.code, ch),
                  static_cast<std::uint8_t>(c.ebcdicChar));
        EXPECT_EQ(ch, static_cast<std::uint8_t>(c.ebcdicChar));
    }
    EXPECT_EQ(CQorTran::ConvertASCIIToPrintableString(0x41, nullptr), nullptr);
}

TEST(QorTranTest, DisplayNamesOfQFEBytes) {
    struct Case {
        std::uint8_t code;
        const char* base;
        const char* extended;
    };
    const Case cases[] = {
        {0xC1, "0x31 A", "0x31 a"},
        {0xC9, "0x39 I", "0x39 i"},
        {0xD1, "0x21 J", "0x21 j"},
        {0xE2, "0x12 S", "0x12 s"},
        {0xE9, "0x19 Z", "0x19 z"},
        {0xF0, "0x0A 0", "0x0A End Blink"},
        {0xF7, "0x07 7", "0x07 Bell"},
        {0xF9, "0x09 9", "0x09 Start Blink"},
        {0x05, "0x2C Beg Tab", "0x2C \\"},
        {0x40, "0x1C Space", "0x1C Space Compaction"},
        {0x5B, "0x2B CrossLorraine", "0x2B +"},
        {0x7E, "0x3D EOMPB", "0x3D EOMPB"},
        {0x01, "Undefined", "Undefined"},
        {0xCA, "Undefined", "Undefined"},
        {0xFA, "Undefined", "Undefined"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(CQorTran::ConvertQFEtoTrevoString(c.code), c.base);
        EXPECT_STREQ(CQorTran::ConvertQFEtoExtendedTrevoString(c.code), c.extended);
    }
}

TEST(QorTranTest, AFailedAllocationLeavesNoBuffer) {
    const CQorTran tran = AsciiTran();
    const Bytes in = Text("AB");
    Out out;
    auto eom = CQorTran::EOM_NOT_FOUND;
    auto span = CQorTran::SPAN_AFTER_SHIFT;
    const FailingHeap failing;
    EXPECT_EQ(tran.ClientToQFE(in.data(), 2, &out.bytes, &out.length, 0, CQorTran::EOM_4E, 0),
              CQorTran::QORTRAN_ALLOCATION_FAILED);
    EXPECT_EQ(out.bytes, nullptr);
    const std::uint8_t qfe[] = {0xC1, 0x4E};
    EXPECT_EQ(tran.QFEToClient(qfe, 2, &out.bytes, &out.length, eom, span, 0, 0, 0, 0, 0),
              CQorTran::QORTRAN_ALLOCATION_FAILED);
    EXPECT_EQ(out.bytes, nullptr);
    EXPECT_EQ(out.length, 0u);
    EXPECT_EQ(eom, CQorTran::EOM_NOT_FOUND);
    EXPECT_EQ(span, CQorTran::SPAN_AFTER_SHIFT);  // nothing consumed
}

TEST(QorTranTest, AReusedOutputPointerReleasesTheLastBuffer) {
    const CQorTran tran = AsciiTran();
    Out out;
    const Bytes in = Text("ABC");
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(tran.ClientToQFE(in.data(), 3, &out.bytes, &out.length, 0, CQorTran::EOM_NONE, 0),
                  CQorTran::QORTRAN_SUCCESS);
    }
    // A failing call also releases it (the leak checker sees anything left behind).
    EXPECT_EQ(tran.ClientToQFE(in.data(), 0, &out.bytes, &out.length, 0, CQorTran::EOM_NONE, 0),
              CQorTran::QORTRAN_INPUT_MESSAGE_LENGTH_IS_ZERO);
    EXPECT_EQ(out.bytes, nullptr);
    CQorTran::DeallocateLastMessage(nullptr);
}

}  // namespace
