#include "core/MessageBuffer.h"

#include "core/TraceLog.h"

namespace core {

void CMessageBuffer::SetData(std::span<const std::uint8_t> data) {
    m_data.assign(data.begin(), data.end());
}

void CMessageBuffer::SetData(std::span<const std::uint8_t> data, int iType) {
    SetData(data);
    m_iType = iType;
}

void CMessageBuffer::SetData(const std::string& text) {
    m_data.assign(text.begin(), text.end());
}

void CMessageBuffer::AppendData(std::span<const std::uint8_t> data) {
    m_data.insert(m_data.end(), data.begin(), data.end());
}

void CMessageBuffer::AppendBuffer(const CMessageBuffer& other) {
    if (&other == this) {
        const std::vector<std::uint8_t> copy(m_data);
        AppendData(copy);
        return;
    }
    AppendData(other.m_data);
}

void CMessageBuffer::GetData(std::span<const std::uint8_t>& data, int& iType) const {
    data = m_data;
    iType = m_iType;
}

void CMessageBuffer::Clear() {
    m_data.clear();
    m_iType = 0;
    m_header.reset();
}

void CMessageBuffer::TraceBuffer() const {
    TraceLog().TraceData(0, m_data.data(), static_cast<int>(m_data.size()));
}

}  // namespace core
