#include "toolkit/SyncException.h"

#include <cstdarg>
#include <cstring>

#include "Heap.h"
#include "toolkit/Format.h"

namespace UTKTools {

CSyncException::CSyncException(std::int32_t code, const char* format, ...) : m_nError(code) {
    va_list args;
    va_start(args, format);
    std::uint32_t length = 0;
    m_pMessage = UTKString::FormatAllocV(length, format, args);
    va_end(args);
}

CSyncException::CSyncException(const CSyncException& other)
    : std::exception(other), m_nError(other.m_nError) {
    CopyText(other.m_pMessage);
}

CSyncException& CSyncException::operator=(const CSyncException& other) {
    if (&other != this) {
        std::exception::operator=(other);
        m_nError = other.m_nError;
        detail::HeapFree(m_pMessage);
        m_pMessage = nullptr;
        CopyText(other.m_pMessage);
    }
    return *this;
}

CSyncException::~CSyncException() {
    detail::HeapFree(m_pMessage);
}

void CSyncException::CopyText(const char* text) {
    if (text == nullptr) {
        return;
    }
    const std::size_t length = std::strlen(text);
    m_pMessage = static_cast<char*>(detail::HeapAllocZeroed(length + 1));
    if (m_pMessage != nullptr) {
        std::memcpy(m_pMessage, text, length);
    }
}

const char* CSyncException::what() const noexcept {
    return m_pMessage != nullptr ? m_pMessage : "No message allocated!";
}

}  // namespace UTKTools
