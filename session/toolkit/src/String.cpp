#include "toolkit/String.h"

#include <cstring>
#include <limits>

#include "Heap.h"

namespace UTKString {
namespace {

constexpr std::uint32_t kMaxCapacity = std::numeric_limits<std::uint32_t>::max();

// The length of a text, or false when it does not fit the 32-bit fields.
bool TextLength(const char* text, std::uint32_t& length) {
    const std::size_t n = std::strlen(text);
    if (n >= kMaxCapacity) {
        return false;
    }
    length = static_cast<std::uint32_t>(n);
    return true;
}

void Wipe(char* block, std::uint32_t capacity) {
    // volatile so the wipe of a block about to be released is not dropped.
    volatile char* p = block;
    for (std::uint32_t i = 0; i < capacity; ++i) {
        p[i] = 0;
    }
}

}  // namespace

CString::CString(const CString& other) {
    Assign(other);
}

CString::CString(const char* text) {
    Assign(text);
}

CString::CString(char ch) {
    Assign(ch);
}

CString::~CString() {
    Clear();
}

char* CString::Allocate(std::uint32_t n) {
    return static_cast<char*>(UTKTools::detail::HeapAllocZeroed(n));
}

void CString::Clear() {
    if (m_pBuffer != nullptr) {
        Wipe(m_pBuffer, m_uCapacity);
        UTKTools::detail::HeapFree(m_pBuffer);
    }
    m_pBuffer = nullptr;
    m_uCapacity = 0;
    m_uLength = 0;
}

void CString::reserve(std::uint32_t n) {
    if (n == 0 || n <= m_uCapacity) {
        return;
    }
    char* block = Allocate(n);
    if (block == nullptr) {
        return;  // unchanged, with or without a block
    }
    const std::uint32_t length = m_uLength;
    if (m_pBuffer != nullptr) {
        std::memcpy(block, m_pBuffer, length);
    }
    Clear();
    m_pBuffer = block;
    m_uCapacity = n;
    m_uLength = length;
}

const char* CString::c_str() const {
    return m_pBuffer != nullptr ? m_pBuffer : "";
}

char& CString::operator[](std::uint32_t i) {
    if (i >= m_uCapacity && i < kMaxCapacity) {
        reserve(i + 1);
    }
    if (i >= m_uCapacity) {
        // The block could not grow: the write goes to a scratch byte, never past the block.
        thread_local char scratch;
        scratch = 0;
        return scratch;
    }
    return m_pBuffer[i];
}

void CString::Assign(const char* text) {
    std::uint32_t length = 0;
    if (text == nullptr || *text == '\0' || !TextLength(text, length)) {
        Clear();
        return;
    }
    if (m_pBuffer != nullptr && m_pBuffer <= text && text < m_pBuffer + m_uCapacity) {
        // Our own text (or a tail of it): copy it out first.
        CString copy(text);
        Assign(copy);
        return;
    }
    if (m_pBuffer != nullptr && m_uCapacity >= length + 1) {
        std::memset(m_pBuffer, 0, m_uCapacity);
        std::memcpy(m_pBuffer, text, length);
        m_uLength = length;
        return;
    }
    Clear();
    char* block = Allocate(length + 1);
    if (block == nullptr) {
        return;
    }
    std::memcpy(block, text, length);
    m_pBuffer = block;
    m_uCapacity = length + 1;
    m_uLength = length;
}

void CString::Assign(const CString& other) {
    if (&other == this) {
        return;
    }
    if (m_pBuffer != nullptr && m_uCapacity >= other.m_uLength + 1) {
        std::memset(m_pBuffer, 0, m_uCapacity);
        std::memcpy(m_pBuffer, other.c_str(), other.m_uLength);
        m_uLength = other.m_uLength;
        return;
    }
    Clear();
    if (other.m_uLength == 0) {
        return;
    }
    char* block = Allocate(other.m_uLength + 1);
    if (block == nullptr) {
        return;
    }
    std::memcpy(block, other.m_pBuffer, other.m_uLength);
    m_pBuffer = block;
    m_uCapacity = other.m_uLength + 1;
    m_uLength = other.m_uLength;
}

void CString::Assign(char ch) {
    if (m_pBuffer != nullptr && m_uCapacity >= 2) {
        std::memset(m_pBuffer, 0, m_uCapacity);
    } else {
        Clear();
        m_pBuffer = Allocate(2);
        if (m_pBuffer == nullptr) {
            return;
        }
        m_uCapacity = 2;
    }
    m_pBuffer[0] = ch;
    m_uLength = 1;
}

void CString::Append(const CString& other) {
    if (m_pBuffer == nullptr) {
        Assign(other);
        return;
    }
    const std::uint32_t otherLength = other.m_uLength;
    if (otherLength >= kMaxCapacity - m_uLength) {
        return;  // the sum does not fit: the string stays as it was
    }
    const std::uint32_t needed = m_uLength + otherLength + 1;
    if (needed <= m_uCapacity) {
        // memmove: the other may be this very string.
        std::memmove(m_pBuffer + m_uLength, other.c_str(), otherLength);
        m_uLength += otherLength;
        return;
    }
    char* block = Allocate(needed);
    if (block == nullptr) {
        return;  // a failed append leaves the string as it was
    }
    std::memcpy(block, m_pBuffer, m_uLength);
    std::memcpy(block + m_uLength, other.c_str(), otherLength);
    Clear();
    m_pBuffer = block;
    m_uCapacity = needed;
    m_uLength = needed - 1;
}

CString& CString::operator=(const CString& other) {
    Assign(other);
    return *this;
}

CString& CString::operator=(const char* text) {
    Assign(text);
    return *this;
}

CString& CString::operator=(char ch) {
    Assign(ch);
    return *this;
}

CString& CString::operator+=(const CString& other) {
    Append(other);
    return *this;
}

CString& CString::operator+=(const char* text) {
    Append(CString(text));
    return *this;
}

CString& CString::operator+=(char ch) {
    Append(CString(ch));
    return *this;
}

int CString::Compare(const CString& other) const {
    if (m_pBuffer == nullptr || other.m_pBuffer == nullptr) {
        return (m_pBuffer != nullptr ? 1 : 0) - (other.m_pBuffer != nullptr ? 1 : 0);
    }
    const auto* a = reinterpret_cast<const unsigned char*>(m_pBuffer);
    const auto* b = reinterpret_cast<const unsigned char*>(other.m_pBuffer);
    const std::uint32_t n = m_uLength < other.m_uLength ? m_uLength : other.m_uLength;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    if (m_uLength == other.m_uLength) {
        return 0;
    }
    return m_uLength < other.m_uLength ? -1 : 1;
}

std::uint32_t strnlen(const char* text, std::uint32_t maxCount) {
    if (text == nullptr) {
        return 0;
    }
    std::uint32_t n = 0;
    while (n < maxCount && text[n] != '\0') {
        ++n;
    }
    return n;
}

}  // namespace UTKString
