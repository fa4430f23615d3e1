// The simulators' own frame codec and their default answers on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "printersim/LinePrinter.h"
#include "support/Hex.h"

namespace printersim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(const char* hex) {
    return support::FromHex(hex);
}

TEST(LineFramesTest, EncodesTheFramesOfBothLines) {
    EXPECT_EQ(EncodeFrame(LineKind::Atb2, B("41 41")), B("02 02 02 41 41 03 03 F3"));
    EXPECT_EQ(EncodeFrame(LineKind::Atb2, B("43 41 32 30")), B("02 02 02 43 41 32 30 03 03 8B"));
    EXPECT_EQ(EncodeFrame(LineKind::Atb2, B("45 41")), B("02 02 02 45 41 03 07 F2"));
    EXPECT_EQ(EncodeFrame(LineKind::AsyncMini, B("41 42")), B("16 16 41 42 17 14"));
}

TEST(LineFramesTest, DecodesFramesInAnyPiecesAfterJunk) {
    struct Case {
        LineKind kind;
        std::vector<const char*> pieces;
        std::vector<std::string> data;  // "!" marks a failed check
    };
    const Case cases[] = {
        {LineKind::Atb2, {"02 02 02 41 41 03 03 F3"}, {"AA"}},
        {LineKind::Atb2, {"99 02 02", "02 41 41 03", "03", "F3"}, {"AA"}},
        {LineKind::Atb2, {"02 02 02 41 41 03 03 F3 02 02 02 43 41 32 30 03 03 8B"}, {"AA", "CA20"}},
        {LineKind::Atb2, {"02 02 02 41 41 03 03 F4"}, {"!AA"}},
        {LineKind::Atb2, {"02 02 41 41 03 03 F3"}, {}},  // two STX only
        {LineKind::Atb2, {"02 02 02 41 41 03 03"}, {}},  // a check byte still to come
        {LineKind::AsyncMini, {"00 16", "16 41 42 17 14 16 16 43 17"}, {"AB"}},
        {LineKind::AsyncMini, {"16 16 41 42 17 15"}, {"!AB"}},
    };
    for (const Case& c : cases) {
        FrameDecoder decoder(c.kind);
        std::vector<LineFrame> frames;
        for (const char* p : c.pieces) decoder.Feed(B(p), frames);
        std::vector<std::string> got;
        for (const auto& f : frames)
            got.push_back((f.checkOk ? "" : "!") + std::string(f.data.begin(), f.data.end()));
        EXPECT_EQ(got, c.data) << c.pieces.front();
    }
}

TEST(LineFramesTest, OverlongDataIsDroppedAndTheNextFrameFound) {
    FrameDecoder decoder(LineKind::Atb2);
    std::vector<LineFrame> frames;
    Bytes junk = B("02 02 02");
    junk.resize(3 + kMaxData + 10, 'X');
    decoder.Feed(junk, frames);
    decoder.Feed(B("02 02 02 41 41 03 03 F3"), frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].data, B("41 41"));
}

TEST(LinePrinterTest, AnswersEachFrameOnTheLine) {
    for (LineKind kind : {LineKind::Atb2, LineKind::AsyncMini}) {
        LinePrinter printer(kind);
        ASSERT_TRUE(printer.Start());
        const int fd = ::open(printer.LinePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        const Bytes out = EncodeFrame(kind, B("41 41 58"));
        ASSERT_EQ(::write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
        ASSERT_TRUE(printer.WaitFrames(1, std::chrono::seconds(5)));
        const Bytes expected = kind == LineKind::Atb2 ? B("02 02 02 43 41 32 30 03 03 8B")
                                                      : B("16 16 43 41 30 30 17 15");
        Bytes in(expected.size());
        std::size_t got = 0;
        for (int i = 0; i < 100 && got < in.size(); ++i) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            const ssize_t n = ::read(fd, in.data() + got, in.size() - got);
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        EXPECT_EQ(in, expected);
        ::close(fd);
    }
}

}  // namespace
}  // namespace printersim
