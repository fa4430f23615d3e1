#include "session/Stream.h"

#include <cstdlib>
#include <cstring>

namespace SessionNS {

CStream::CStream(const CStream& other) {
    Assign(other.m_pData, other.m_Length);
}

CStream::CStream(const unsigned char* bytes, unsigned long count) {
    Assign(bytes, count);
}

CStream::~CStream() {
    Release();
}

void CStream::Release() {
    std::free(m_pData);
    m_pData = nullptr;
    m_Length = 0;
    m_Capacity = 0;
}

CStream& CStream::operator=(const CStream& other) {
    if (this != &other) {
        Assign(other.m_pData, other.m_Length);
    }
    return *this;
}

CStream& CStream::operator+=(const CStream& other) {
    if (this == &other) {
        const CStream copy(other);
        Append(copy.m_pData, copy.m_Length);
    } else {
        Append(other.m_pData, other.m_Length);
    }
    return *this;
}

unsigned char& CStream::operator[](unsigned long i) {
    if (i >= m_Capacity) {
        reserve(i + 1);
    }
    if (m_pData == nullptr) {
        // The growth failed; hand out a scratch byte rather than a null reference.
        static thread_local unsigned char scratch;
        scratch = 0;
        return scratch;
    }
    return m_pData[i];
}

bool CStream::operator==(const CStream& other) const {
    if (m_Length != other.m_Length) {
        return false;
    }
    if (m_pData == nullptr || other.m_pData == nullptr) {
        return m_pData == other.m_pData;
    }
    return m_Length == 0 || std::memcmp(m_pData, other.m_pData, m_Length) == 0;
}

void CStream::reserve(unsigned long n) {
    if (n <= m_Capacity || n > UINT32_MAX) {
        if (n > UINT32_MAX) {
            Release();
        }
        return;
    }
    auto* block = static_cast<unsigned char*>(std::realloc(m_pData, n));
    if (block == nullptr) {
        Release();
        return;
    }
    std::memset(block + m_Capacity, 0, n - m_Capacity);
    m_pData = block;
    m_Capacity = static_cast<std::uint32_t>(n);
}

void CStream::erase() {
    if (m_Capacity != 0 && m_pData != nullptr) {
        std::memset(m_pData, 0, m_Capacity);
        m_Length = 0;
    }
}

void CStream::Assign(const unsigned char* bytes, unsigned long count) {
    if (bytes == nullptr) {
        erase();
        return;
    }
    if (count <= m_Capacity && m_pData != nullptr) {
        std::memmove(m_pData, bytes, count);
        m_Length = static_cast<std::uint32_t>(count);
        return;
    }
    Release();
    if (count > UINT32_MAX) {
        return;
    }
    auto* block = static_cast<unsigned char*>(std::calloc(count == 0 ? 1 : count, 1));
    if (block == nullptr) {
        return;
    }
    std::memcpy(block, bytes, count);
    m_pData = block;
    m_Length = static_cast<std::uint32_t>(count);
    m_Capacity = static_cast<std::uint32_t>(count);
}

void CStream::Append(const unsigned char* bytes, unsigned long count) {
    if (bytes == nullptr || count == 0) {
        return;
    }
    const unsigned long needed = static_cast<unsigned long>(m_Length) + count;
    if (needed > m_Capacity) {
        reserve(needed);
        if (m_pData == nullptr) {
            return;
        }
    }
    std::memcpy(m_pData + m_Length, bytes, count);
    m_Length = static_cast<std::uint32_t>(needed);
}

const char* CStream::printable() {
    m_Printable = "";
    if (m_pData != nullptr && m_Length != 0) {
        m_Printable.reserve(m_Length + 1);
        for (std::uint32_t i = 0; i < m_Length; ++i) {
            const unsigned char byte = m_pData[i];
            const bool dot = byte <= 0x1F || byte == 0x25 || byte == 0x7F;
            m_Printable += dot ? '.' : static_cast<char>(byte);
        }
    }
    return m_Printable.c_str();
}

const char* CStream::hex() {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    m_Hex = "";
    if (m_pData != nullptr && m_Length != 0) {
        m_Hex.reserve(2 * m_Length + 1);
        for (std::uint32_t i = 0; i < m_Length; ++i) {
            m_Hex += kDigits[m_pData[i] >> 4];
            m_Hex += kDigits[m_pData[i] & 0x0F];
        }
    }
    return m_Hex.c_str();
}

}  // namespace SessionNS
