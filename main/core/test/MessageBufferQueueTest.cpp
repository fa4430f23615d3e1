#include "core/MessageBufferQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using core::CMessageBuffer;
using core::CMessageBufferQueue;

TEST(MessageBufferTest, SetAppendAndClear) {
    CMessageBuffer buffer;
    const std::string first("AB\0C", 4);
    buffer.SetData(first);
    buffer.SetData(first);  // sets, does not add
    EXPECT_EQ(buffer.Length(), 4u);
    const std::uint8_t more[] = {0x00, 0x44};
    buffer.AppendData(more);
    CMessageBuffer empty;
    buffer.AppendBuffer(empty);
    buffer.AppendBuffer(buffer);
    std::span<const std::uint8_t> data;
    int type = -1;
    buffer.GetData(data, type);
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("AB\0C\0DAB\0C\0D", 12));
    EXPECT_EQ(type, 0);
    buffer.SetData(more, 7);
    EXPECT_EQ(buffer.Type(), 7);
    EXPECT_EQ(buffer.Length(), 2u);
    buffer.Clear();
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_EQ(buffer.Type(), 0);
}

TEST(MessageBufferQueueTest, FirstInFirstOutWithTypes) {
    CMessageBufferQueue queue;
    EXPECT_TRUE(queue.IsEmpty());
    std::string out = "keep";
    int type = 42;
    queue.GetHead(out, type, true);
    EXPECT_EQ(out, "keep");
    EXPECT_EQ(type, 42);
    EXPECT_EQ(queue.GetHeadBuffer(), nullptr);
    queue.RemoveHead();

    queue.AddString(std::string("A\0B", 3), 1);
    queue.AddString("", 0);
    const std::uint8_t bytes[] = {0x10, 0x00, 0x20};
    queue.AddBytes(bytes, 5);
    EXPECT_FALSE(queue.IsEmpty());

    out.clear();
    queue.GetHead(out, type, false);
    queue.GetHead(out, type, false);
    EXPECT_EQ(out, std::string("A\0BA\0B", 6));
    EXPECT_EQ(type, 1);
    out.clear();
    queue.GetHead(out, type, true);
    ASSERT_NE(queue.GetHeadBuffer(), nullptr);
    EXPECT_EQ(queue.GetHeadBuffer()->Length(), 0u);
    queue.RemoveHead();
    CMessageBuffer* head = queue.GetHeadBuffer();
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->Type(), 5);
    EXPECT_EQ(head->Length(), 3u);
    queue.RemoveHead();
    EXPECT_TRUE(queue.IsEmpty());
    queue.AddString("left behind", 0);  // freed by the destructor
}

TEST(MessageBufferQueueTest, OneWriterOneReaderKeepOrder) {
    CMessageBufferQueue queue;
    constexpr int kCount = 2000;
    std::thread writer([&] {
        for (int i = 0; i < kCount; ++i) queue.AddString(std::to_string(i), i);
    });
    int next = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (next < kCount && std::chrono::steady_clock::now() < deadline) {
        std::string text;
        int type = -1;
        queue.GetHead(text, type, true);
        if (type < 0) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(type, next);
        ASSERT_EQ(text, std::to_string(next));
        ++next;
    }
    writer.join();
    EXPECT_EQ(next, kCount);
    EXPECT_TRUE(queue.IsEmpty());
}

}  // namespace
