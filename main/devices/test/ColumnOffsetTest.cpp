#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/ColumnOffset.h"

namespace {

struct Buffer {
    std::string text;
    bool bEndsMessage;
};

std::string Rewritten(std::uint32_t columns, const std::vector<Buffer>& buffers) {
    devices::CColumnOffset offset(columns);
    std::string out;
    for (const auto& b : buffers) out += offset.Rewrite(b.text, b.bEndsMessage) + "|";
    return out;
}

TEST(ColumnOffset, IndentsEveryLineOfADocument) {
    const std::string p(40, ' ');
    const std::string p3(3, ' ');
    const struct {
        std::uint32_t columns;
        std::vector<Buffer> buffers;
        std::string expected;
    } cases[] = {
        // No offset: bytes as they are.
        {0, {{"A\r\nB\rD", false}, {"E\r", true}}, "A\r\nB\rD|E\r|"},
        // More than 40 columns give 40; a second buffer of the message goes on the same line,
        // the message's last CR gets no blanks after it.
        {45, {{"A\r\nB\rD", false}, {"E\r", true}}, p + "A\r\n" + p + "B\r" + p + "D|E\r|"},
        // The next message is a new document.
        {3, {{"A\r", true}, {"B", true}}, p3 + "A\r|" + p3 + "B|"},
        // A CR ending a buffer inside the message: the next buffer's line is indented, after
        // the LF that completes the line end.
        {3, {{"A\r", false}, {"B", true}}, p3 + "A\r|" + p3 + "B|"},
        {3, {{"A\r", false}, {"\nB", true}}, p3 + "A\r|\n" + p3 + "B|"},
        // Two CRs in a row: each starts a line.
        {3, {{"A\r\rB", true}}, p3 + "A\r" + p3 + "\r" + p3 + "B|"},
        // LF alone starts no line; an empty buffer at the start of a document gets the blanks.
        {3, {{"A\nB", true}}, p3 + "A\nB|"},
        {3, {{"", false}, {"A", true}}, p3 + "|A|"},
    };
    for (const auto& c : cases) EXPECT_EQ(Rewritten(c.columns, c.buffers), c.expected);
}

}  // namespace
