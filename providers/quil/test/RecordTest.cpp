// Wire layout of the stream header, session header, options and whole records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quil/QUILBuffer.h"
#include "quil/SessionHeader.h"
#include "quil/SessionOption.h"
#include "quil/StreamHeader.h"
#include "support/Hex.h"

using support::FromHex;
using support::ToHex;

namespace quil {
namespace {

std::string WireOf(const CSessionHeader& h) {
    std::vector<std::uint8_t> out;
    h.Write(out);
    return ToHex(out);
}

TEST(StreamHeaderTest, AcceptsOnlySyncAndVersionWhateverTheReservedBytes) {
    struct Case {
        const char* wire;
        bool accepted;
        std::uint32_t length;
    };
    const Case cases[] = {
        {"FE 01 00 00 00 00 00 14", true, 20}, {"FE 01 7A 9C 00 01 02 03", true, 0x010203},
        {"FE 02 00 00 00 00 00 14", false, 0}, {"FD 01 00 00 00 00 00 14", false, 0},
        {"FE 01 00 00 00 00 00", false, 0},  // one byte short
    };
    for (const auto& c : cases) {
        CStreamHeader h(0xFE, 1, 0, 99);
        const auto wire = FromHex(c.wire);
        EXPECT_EQ(h.Read(wire), c.accepted) << c.wire;
        EXPECT_EQ(h.Length(), c.accepted ? c.length : 99u) << "a refused header stores nothing";
        if (c.accepted) {
            std::vector<std::uint8_t> back;
            h.Write(back);
            EXPECT_EQ(ToHex(back), c.wire) << "reserved bytes are kept";
        }
    }
}

TEST(SessionHeaderTest, FreshHeaderAndPreparedHeaderOnTheWire) {
    CSessionHeader h;
    EXPECT_EQ(WireOf(h), "10 30 00 0E 00 00 00 00 00 00 00 00");

    h.SetReservedTriple(7);  // what preparation passes
    EXPECT_EQ(WireOf(h).substr(9, 2), "00");
    h.SetReservedTriple(3);
    EXPECT_EQ(h.ReservedTriple(), 7);

    h.SetOptionBytes(32);
    EXPECT_EQ(WireOf(h).substr(3, 2), "38");
    EXPECT_EQ(h.OptionBytes(), 32u);
}

TEST(SessionHeaderTest, EveryFieldLandsOnItsBits) {
    CSessionHeader h;
    h.SetKind(kSessionTerminate);
    h.SetOptionBytes(60);
    h.SetErr(kMsgKeepAlive);
    h.SetReservedPair(2);
    h.SetSegmentOverride(true);
    h.SetNonStandardDevice(true);
    h.SetReservedTriple(7);
    h.SetPooled(true);
    ASSERT_TRUE(h.SetTerminalAddress("a1B2c3"));
    h.SetSessionId(std::string("\x01\x02\x03\x04\x05", 5));
    const std::string wire = "12 3F 03 B1 A1 B2 C3 00 01 02 03 04";
    EXPECT_EQ(WireOf(h), wire);
    EXPECT_EQ(h.TerminalAddress(), "A1B2C3");

    // Each single bit of byte 3 reads back as its own field.
    CSessionHeader r;
    ASSERT_TRUE(r.Read(FromHex("1F 30 07 AF 00 00 00 00 00 00 00 00")));
    EXPECT_EQ(r.Kind(), 15);
    EXPECT_EQ(r.Err(), 7);
    EXPECT_EQ(r.ReservedPair(), 2);
    EXPECT_TRUE(r.SegmentOverride());
    EXPECT_FALSE(r.NonStandardDevice());
    EXPECT_EQ(r.ReservedTriple(), 7);
    EXPECT_TRUE(r.Pooled());
    ASSERT_TRUE(r.Read(FromHex(wire)));
    EXPECT_EQ(WireOf(r), wire);
    EXPECT_FALSE(r.Read(FromHex("10 30 00 0E 00 00 00 00 00 00 00"))) << "11 bytes";
}

TEST(SessionHeaderTest, IdentityAndSessionIdentifierTakeNoMoreThanGiven) {
    CSessionHeader h;
    EXPECT_FALSE(h.SetTerminalAddress("12345"));
    EXPECT_FALSE(h.SetTerminalAddress("12345G"));
    EXPECT_EQ(h.TerminalAddress(), "000000");

    h.SetSessionId("\x09\x08");  // short: the rest is zero
    std::string sid;
    h.AppendSessionId(sid);
    EXPECT_EQ(sid, std::string("\x09\x08\x00\x00", 4));
    h.SetSessionId("");
    h.AppendSessionId(sid);
    EXPECT_EQ(sid, std::string(4, '\0'));

    const SessionIdentity id{0xAB, 0xCD, 0xEF, 0x00, 1, 2, 3, 4};
    h.SetIdentity(id);
    EXPECT_EQ(h.Identity(), id);
    EXPECT_EQ(WireOf(h), "10 30 00 0E AB CD EF 00 01 02 03 04");
}

TEST(SessionOptionTest, BuiltOptionsHaveTheirTypeSizeAndLittleEndianBodies) {
    std::vector<std::uint8_t> routing;
    EXPECT_EQ((RoutingOption{0x1234, 0x05060708}.ToOption().Write(routing)), 8u);
    EXPECT_EQ(ToHex(routing), "03 08 34 12 08 07 06 05");

    const auto body = FromHex("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12");
    const CSessionOption host(kOptionHostData, body);  // more body than the type holds
    EXPECT_EQ(host.Length(), 16);
    EXPECT_EQ(ToHex(host.Body()), "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E");
    const CSessionOption pool(kOptionPoolName, FromHex("D7 D6"));  // less: zero-filled
    std::vector<std::uint8_t> out;
    EXPECT_EQ(pool.Write(out), 8u);
    EXPECT_EQ(ToHex(out), "05 08 D7 D6 00 00 00 00");

    const CSessionOption unknown(9, body);
    EXPECT_FALSE(unknown.Valid());
    out.clear();
    EXPECT_EQ(unknown.Write(out), 0u);
    std::vector<std::uint8_t> area(4, 0xEE);
    EXPECT_EQ(pool.WriteTo(area), 0u) << "does not fit";
    EXPECT_EQ(ToHex(area), "EE EE EE EE");

    EXPECT_TRUE(CSessionOption::FromWire(FromHex("03 08 01 00 02 00 00 00")).Valid());
    std::vector<std::uint8_t> timing = FromHex("04 20");
    timing.resize(32, 0xA5);
    const CSessionOption largest = CSessionOption::FromWire(timing);
    EXPECT_TRUE(largest.Valid()) << "32 bytes, the largest";
    EXPECT_EQ(largest.Body().size(), 30u);
    EXPECT_EQ(largest.Body().back(), 0xA5);
    timing[1] = 0x21;
    timing.push_back(0xA5);
    EXPECT_FALSE(CSessionOption::FromWire(timing).Valid()) << "33 bytes";
    EXPECT_FALSE(CSessionOption::FromWire(FromHex("03 08 01 00 02")).Valid()) << "cut short";
    EXPECT_FALSE(CSessionOption::FromWire(FromHex("03 01")).Valid()) << "length 1";
    EXPECT_FALSE(CSessionOption::FromWire(FromHex("08 04 00 00")).Valid()) << "unknown type";
}

TEST(SessionOptionTest, WalkStaysInsideTheArea) {
    struct Case {
        const char* area;
        OptionWalkEnd end;
        std::vector<int> types;
    };
    const Case cases[] = {
        {"", OptionWalkEnd::Complete, {}},
        {"03 08 01 00 02 00 00 00 07 04 00 00", OptionWalkEnd::Complete, {3, 7}},
        {"07 04 00 00 00 00 00 00", OptionWalkEnd::Padding, {7}},
        {"07 04 00 00 03 00 00 00", OptionWalkEnd::Malformed, {7}},  // zero length, non-zero type
        {"07 04 00 00 03 01 00 00", OptionWalkEnd::Malformed, {7}},  // length 1
        {"07 04 00 00 03 08 00 00", OptionWalkEnd::Malformed, {7}},  // runs past the end
        {"07 04 00 00 03", OptionWalkEnd::Malformed, {7}},           // lone type byte
    };
    for (const auto& c : cases) {
        std::vector<int> types;
        const auto area = FromHex(c.area);
        EXPECT_EQ(WalkOptions(area,
                              [&](std::span<const std::uint8_t> o) {
                                  types.push_back(o[0]);
                                  return true;
                              }),
                  c.end)
            << c.area;
        EXPECT_EQ(types, c.types) << c.area;
    }
    const auto routed = RoutingOption::Find(FromHex("07 04 00 00 03 08 34 12 08 07 06 05"));
    ASSERT_TRUE(routed.has_value());
    EXPECT_EQ(routed->sequenceId, 0x1234);
    EXPECT_EQ(routed->index, 0x05060708u);
    EXPECT_FALSE(RoutingOption::Find(FromHex("03 07 34 12 08 07 06 00")).has_value());
}

TEST(SessionOptionTest, EndToEndStampsTouchOnlyTheirFields) {
    EndToEndTiming t;
    t.carried = {1, 2, 3, 4, 5, 6, 7, 8};
    t.srvApp = 0xBEEF;
    std::vector<std::uint8_t> area = FromHex("07 04 00 00");
    (void)t.ToOption().Write(area);
    area.resize(40, 0);  // padding after the option

    StampEndToEndOut(area, 0x11223344);
    auto stamped = EndToEndTiming::Parse(std::span<const std::uint8_t>(area).subspan(4, 32));
    ASSERT_TRUE(stamped.has_value());
    EXPECT_EQ(stamped->clOut, 0x11223344u);
    EXPECT_EQ(stamped->carried, t.carried);
    EXPECT_EQ(stamped->srvApp, 0xBEEF);
    EXPECT_EQ(stamped->clIn, 0);
    EXPECT_EQ(ToHex(std::span<const std::uint8_t>(area).subspan(14, 4)), "44 33 22 11");

    StampEndToEndIn(area, 0x11223344 + 0x10005);  // CL_IN is cut to 16 bits
    stamped = EndToEndTiming::Parse(std::span<const std::uint8_t>(area).subspan(4, 32));
    EXPECT_EQ(stamped->clIn, 5);
    EXPECT_EQ(stamped->clOut, 0x11223344u);
}

CSessionHeader HeaderWithOptions(std::size_t optionBytes) {
    CSessionHeader h;
    h.SetOptionBytes(optionBytes);
    h.SetReservedTriple(7);
    return h;
}

TEST(QUILBufferTest, AssemblesTheWholeRecord) {
    CQUILBuffer empty(CStreamHeader(0xFE, 1, 0, 20), HeaderWithOptions(0), {}, {});
    EXPECT_EQ(empty.WholeLength(), 20u);
    EXPECT_EQ(ToHex(empty.Block()), "FE 01 00 00 00 00 00 14 10 30 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(empty.EndOfMessageKind(), EndOfMessage::None);

    const auto options = FromHex("03 08 01 00 02 00 00 00");
    const auto payload = FromHex("C1 C2 4E");
    CQUILBuffer b(CStreamHeader(0xFE, 1, 0, 31), HeaderWithOptions(8), options, payload);
    EXPECT_EQ(ToHex(b.Block()),
              "FE 01 00 00 00 00 00 1F 10 32 00 00 00 00 00 00 00 00 00 00 "
              "03 08 01 00 02 00 00 00 C1 C2 4E");
    EXPECT_EQ(b.PayloadLength(), 3u);
    EXPECT_EQ(ToHex(b.Options()), ToHex(options));
    EXPECT_EQ(b.EndOfMessageKind(), EndOfMessage::Complete);

    // Fewer option bytes than the header announces: only those are taken.
    CQUILBuffer shortOptions(CStreamHeader(0xFE, 1, 0, 28), HeaderWithOptions(8),
                             FromHex("07 04 00 01"), {});
    EXPECT_EQ(ToHex(shortOptions.Options()), "07 04 00 01 00 00 00 00");

    // A payload other than the stream length foresaw: the record follows the payload.
    CQUILBuffer grown(CStreamHeader(0xFE, 1, 0, 20), HeaderWithOptions(0), {}, payload);
    EXPECT_EQ(grown.WholeLength(), 23u);
    EXPECT_EQ(ToHex(grown.Block().subspan(4, 4)), "00 00 00 17");

    // Lengths that cannot hold the headers, or options that do not fit, build nothing.
    CQUILBuffer bad;
    EXPECT_FALSE(bad.SetStreamHeader(CStreamHeader(0xFE, 1, 0, 8)));
    EXPECT_FALSE(bad.SetStreamHeader(CStreamHeader(0xFE, 1, 0, kMaxRecordLength + 1)));
    ASSERT_TRUE(bad.SetStreamHeader(CStreamHeader(0xFE, 1, 0, 24)));
    EXPECT_FALSE(bad.SetSessionHeader(HeaderWithOptions(8)));
}

TEST(QUILBufferTest, RebuildsAReceivedRecord) {
    const auto wire = FromHex(
        "FE 01 00 00 00 00 00 1E 11 31 02 00 0A 0B 0C 00 01 02 03 04 07 04 00 09 C1 C2 C3 C4 "
        "C5 7E");
    CStreamHeader stream;
    ASSERT_TRUE(stream.Read(wire));
    CQUILBuffer b;
    ASSERT_TRUE(b.SetStreamHeader(stream));
    EXPECT_FALSE(b.FillFromReceived(std::span<const std::uint8_t>(wire).subspan(8, 5)));
    ASSERT_TRUE(b.FillFromReceived(std::span<const std::uint8_t>(wire).subspan(8)));
    CSessionHeader h;
    ASSERT_TRUE(b.ReadSessionHeader(h));
    EXPECT_EQ(h.Kind(), kSessionMaintain);
    EXPECT_EQ(h.Err(), kMsgPrintAddress);
    EXPECT_EQ(h.TerminalAddress(), "0A0B0C");
    EXPECT_EQ(ToHex(b.Options()), "07 04 00 09");
    EXPECT_EQ(ToHex(b.Payload()), "C1 C2 C3 C4 C5 7E");
    std::vector<std::uint8_t> some(2);
    EXPECT_EQ(b.GetPayload(some), 2u);
    EXPECT_EQ(b.EndOfMessageKind(), EndOfMessage::PartialDrop2);

    // The end-of-message kinds of a last byte.
    const std::pair<std::uint8_t, EndOfMessage> kinds[] = {
        {0x4E, EndOfMessage::Complete}, {0x5F, EndOfMessage::CompleteMore},
        {0x6D, EndOfMessage::Partial},  {0x7E, EndOfMessage::PartialDrop2},
        {0x41, EndOfMessage::None},     {0x15, EndOfMessage::None}};
    for (const auto& [last, kind] : kinds) EXPECT_EQ(EndOfMessageKind(last), kind) << int(last);

    // A received header announcing more options than the record holds is refused.
    CQUILBuffer overrun;
    ASSERT_TRUE(overrun.SetStreamHeader(CStreamHeader(0xFE, 1, 0, 24)));
    ASSERT_TRUE(
        overrun.FillFromReceived(FromHex("10 32 00 00 00 00 00 00 00 00 00 00 07 04 00 00")));
    EXPECT_FALSE(overrun.ReadSessionHeader(h));
}

}  // namespace
}  // namespace quil
