#include "brxconn/CMessage.h"

#include <algorithm>
#include <cstring>

CMessage::CMessage(int initialSize, int maxSize)
    : m_initialSize(initialSize > 0 ? initialSize : 0), m_maxSize(maxSize > 0 ? maxSize : 0) {}

std::size_t CMessage::Stored() const noexcept {
    std::size_t total = 0;
    for (const Block& b : m_blocks) total += b.bytes.size();
    return total;
}

bool CMessage::Fits(std::size_t more) const noexcept {
    const std::size_t stored = Stored();
    const auto max = static_cast<std::size_t>(m_maxSize);
    return stored <= max && more <= max - stored;
}

int CMessage::GetLength() const noexcept {
    std::size_t total = 0;
    for (const Block& b : m_blocks) total += b.Visible();
    return static_cast<int>(total);
}

bool CMessage::Locate(std::size_t position, std::size_t& block,
                      std::size_t& offset) const noexcept {
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const std::size_t visible = m_blocks[i].Visible();
        if (position < visible) {
            block = i;
            offset = position;
            return true;
        }
        position -= visible;
    }
    return false;
}

CMessage::Error CMessage::Append(const std::uint8_t* data, std::size_t length) {
    if (!Fits(length)) return MSG_TOO_LONG;
    if (length == 0) return MSG_OK;
    if (m_blocks.empty() || m_blocks.back().user) {
        Block block;
        block.bytes.reserve(std::max<std::size_t>(length, static_cast<std::size_t>(m_initialSize)));
        m_blocks.push_back(std::move(block));
    }
    auto& bytes = m_blocks.back().bytes;
    bytes.insert(bytes.end(), data, data + length);
    return MSG_OK;
}

CMessage::Error CMessage::AddData(const std::string& text) {
    return Append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

CMessage::Error CMessage::AddData(const unsigned char* data, int length) {
    if (length < 0 || (!data && length > 0)) return MSG_BAD_ARGUMENT;
    return Append(data, static_cast<std::size_t>(length));
}

CMessage::Error CMessage::AddChar(unsigned char c) {
    return Append(&c, 1);
}

CMessage::Error CMessage::AddUserBuffer(const unsigned char* buffer, unsigned int length,
                                        int masked) {
    if ((!buffer && length > 0) || masked < 0) return MSG_BAD_ARGUMENT;
    if (static_cast<unsigned int>(masked) > length) return MSG_OUT_OF_RANGE;
    if (!Fits(length)) return MSG_TOO_LONG;
    Block block;
    block.bytes.assign(buffer, buffer + length);
    block.masked = static_cast<std::size_t>(masked);
    block.user = true;
    m_blocks.push_back(std::move(block));
    return MSG_OK;
}

CMessage::Error CMessage::MaskBlock(int block, int masked) {
    if (block < 0 || masked < 0) return MSG_BAD_ARGUMENT;
    if (static_cast<std::size_t>(block) >= m_blocks.size()) return MSG_OUT_OF_RANGE;
    Block& b = m_blocks[static_cast<std::size_t>(block)];
    if (static_cast<std::size_t>(masked) > b.bytes.size()) return MSG_OUT_OF_RANGE;
    b.masked = static_cast<std::size_t>(masked);
    return MSG_OK;
}

CMessage::Error CMessage::GetDataAt(int position, unsigned char* buffer, int length) const {
    if (position < 0 || length < 0 || (!buffer && length > 0)) return MSG_BAD_ARGUMENT;
    const int total = GetLength();
    if (position > total || length > total - position) return MSG_OUT_OF_RANGE;
    std::size_t block = 0;
    std::size_t offset = 0;
    std::size_t left = static_cast<std::size_t>(length);
    if (left == 0 || !Locate(static_cast<std::size_t>(position), block, offset)) return MSG_OK;
    for (; left > 0 && block < m_blocks.size(); ++block, offset = 0) {
        const Block& b = m_blocks[block];
        const std::size_t n = std::min(left, b.Visible() - offset);
        if (n == 0) continue;  // an empty or wholly masked block
        std::memcpy(buffer, b.bytes.data() + b.masked + offset, n);
        buffer += n;
        left -= n;
    }
    return MSG_OK;
}

CMessage::Error CMessage::GetCharAt(int position, unsigned char* c) const {
    if (!c) return MSG_BAD_ARGUMENT;
    return GetDataAt(position, c, 1);
}

CMessage::Error CMessage::PutCharAt(int position, unsigned char c) {
    if (position < 0) return MSG_BAD_ARGUMENT;
    std::size_t block = 0;
    std::size_t offset = 0;
    if (!Locate(static_cast<std::size_t>(position), block, offset)) return MSG_OUT_OF_RANGE;
    Block& b = m_blocks[block];
    b.bytes[b.masked + offset] = c;
    return MSG_OK;
}

CMessage::Error CMessage::GetData(std::string& text) const {
    text.clear();
    text.reserve(static_cast<std::size_t>(GetLength()));
    for (const Block& b : m_blocks) {
        text.append(reinterpret_cast<const char*>(b.bytes.data() + b.masked), b.Visible());
    }
    return MSG_OK;
}

void CMessage::Join() {
    Block joined;
    joined.bytes.reserve(static_cast<std::size_t>(GetLength()));
    for (const Block& b : m_blocks) {
        joined.bytes.insert(joined.bytes.end(), b.bytes.begin() + static_cast<long>(b.masked),
                            b.bytes.end());
    }
    m_blocks.clear();
    m_blocks.push_back(std::move(joined));
}

unsigned char* CMessage::GetDataPtrAt(int position, int length) {
    const int total = GetLength();
    if (position < 0 || length <= 0 || position > total || length > total - position)
        return nullptr;
    std::size_t block = 0;
    std::size_t offset = 0;
    if (!Locate(static_cast<std::size_t>(position), block, offset)) return nullptr;
    if (offset + static_cast<std::size_t>(length) > m_blocks[block].Visible()) {
        Join();
        block = 0;
        offset = static_cast<std::size_t>(position);
    }
    Block& b = m_blocks[block];
    return b.bytes.data() + b.masked + offset;
}

void CMessage::Clear() noexcept {
    m_blocks.clear();
}
