#include "core/MessageBufferQueue.h"

namespace core {

void CMessageBufferQueue::AddString(const std::string& text, int iType,
                                    const std::optional<HostMessageHeader>& header) {
    AddBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), iType,
             header);
}

void CMessageBufferQueue::AddBytes(std::span<const std::uint8_t> data, int iType,
                                   const std::optional<HostMessageHeader>& header) {
    auto buffer = std::make_unique<CMessageBuffer>();
    buffer->SetData(data, iType);
    buffer->SetHeader(header);
    std::lock_guard lock(m_cs);
    m_buffers.push_back(std::move(buffer));
}

void CMessageBufferQueue::GetHead(std::string& out, int& iType, bool bRemove) {
    std::lock_guard lock(m_cs);
    if (m_buffers.empty()) return;
    const CMessageBuffer& head = *m_buffers.front();
    const auto data = head.Data();
    out.append(data.begin(), data.end());
    iType = head.Type();
    if (!bRemove) return;
    m_taken = head.Header();
    m_buffers.pop_front();
}

void CMessageBufferQueue::NoteTaken(const CMessageBuffer& buffer) {
    std::lock_guard lock(m_cs);
    m_taken = buffer.Header();
}

std::optional<HostMessageHeader> CMessageBufferQueue::TakenHeader() const {
    std::lock_guard lock(m_cs);
    return m_taken;
}

CMessageBuffer* CMessageBufferQueue::GetHeadBuffer() {
    std::lock_guard lock(m_cs);
    return m_buffers.empty() ? nullptr : m_buffers.front().get();
}

void CMessageBufferQueue::RemoveHead() {
    std::lock_guard lock(m_cs);
    if (!m_buffers.empty()) m_buffers.pop_front();
}

bool CMessageBufferQueue::IsEmpty() const {
    std::lock_guard lock(m_cs);
    return m_buffers.empty();
}

}  // namespace core
