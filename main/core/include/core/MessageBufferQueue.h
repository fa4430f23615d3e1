// First-in, first-out list of message buffers shared by the thread that receives host
// messages (it appends) and the device's send thread (it reads and removes the head). Every
// operation takes the queue's own lock and calls nothing outside the queue while holding it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "core/MessageBuffer.h"

namespace core {

class CMessageBufferQueue {
public:
    CMessageBufferQueue() = default;
    CMessageBufferQueue(const CMessageBufferQueue&) = delete;
    CMessageBufferQueue& operator=(const CMessageBufferQueue&) = delete;

    // Queues the whole text, embedded zero bytes included; a host message with the header
    // its acknowledgement answers.
    void AddString(const std::string& text, int iType,
                   const std::optional<HostMessageHeader>& header = std::nullopt);
    void AddBytes(std::span<const std::uint8_t> data, int iType,
                  const std::optional<HostMessageHeader>& header = std::nullopt);
    // Appends the head's bytes to out and gives its type; removes the head when asked, in the
    // same step, and then it is the message taken for writing. On an empty queue out and
    // iType are left as they were.
    void GetHead(std::string& out, int& iType, bool bRemove);
    // The buffer lent by GetHeadBuffer is the message taken for writing.
    void NoteTaken(const CMessageBuffer& buffer);
    // The header of the message last taken for writing (none when it had none).
    std::optional<HostMessageHeader> TakenHeader() const;
    // Lends the head buffer (none when empty). Only the thread that removes heads may use it.
    CMessageBuffer* GetHeadBuffer();
    void RemoveHead();
    bool IsEmpty() const;

private:
    mutable std::mutex m_cs;
    std::deque<std::unique_ptr<CMessageBuffer>> m_buffers;
    std::optional<HostMessageHeader> m_taken;
};

}  // namespace core
