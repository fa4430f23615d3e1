// UTKString::CString: the byte string of the toolkit and of everything built on it. A
// character is one byte. The text lives in a zeroed heap block sized exactly as needed;
// the bytes behind the text are always zero, so the text is always NUL-terminated.
#pragma once

#include <cstdint>

#include "toolkit/ToolkitApi.h"

namespace UTKString {

class UTK_API CString {
public:
    CString() = default;
    CString(const CString& other);
    CString(const char* text);  // NOLINT(google-explicit-constructor): used as a text
    CString(char ch);           // NOLINT(google-explicit-constructor)
    ~CString();

    // Grows the block to exactly n bytes when n is above the capacity; never shrinks.
    void reserve(std::uint32_t n);

    bool empty() const { return m_uLength == 0; }
    std::uint32_t length() const { return m_uLength; }
    // The capacity of the block (terminating NUL included), not the length.
    std::uint32_t size() const { return m_uCapacity; }
    const char* c_str() const;

    // Byte i; the block first grows to i + 1 bytes when i is beyond it. The length stays.
    char& operator[](std::uint32_t i);

    CString& operator=(const CString& other);
    CString& operator=(const char* text);
    CString& operator=(char ch);

    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    bool operator==(const CString& other) const { return Compare(other) == 0; }
    bool operator!=(const CString& other) const { return Compare(other) != 0; }
    bool operator<(const CString& other) const { return Compare(other) < 0; }
    bool operator<=(const CString& other) const { return Compare(other) <= 0; }
    bool operator>(const CString& other) const { return Compare(other) > 0; }
    bool operator>=(const CString& other) const { return Compare(other) >= 0; }
    bool operator==(const char* text) const { return *this == CString(text); }
    bool operator!=(const char* text) const { return *this != CString(text); }
    bool operator<(const char* text) const { return *this < CString(text); }
    bool operator<=(const char* text) const { return *this <= CString(text); }
    bool operator>(const char* text) const { return *this > CString(text); }
    bool operator>=(const char* text) const { return *this >= CString(text); }
    bool operator==(char ch) const { return *this == CString(ch); }
    bool operator!=(char ch) const { return *this != CString(ch); }
    bool operator<(char ch) const { return *this < CString(ch); }
    bool operator<=(char ch) const { return *this <= CString(ch); }
    bool operator>(char ch) const { return *this > CString(ch); }
    bool operator>=(char ch) const { return *this >= CString(ch); }

private:
    void Clear();
    void Assign(const CString& other);
    void Assign(const char* text);
    void Assign(char ch);
    void Append(const CString& other);
    // Takes a fresh zeroed block of exactly n bytes, or none; the old one stays.
    static char* Allocate(std::uint32_t n);
    // Byte-wise order of unsigned bytes; a string without a block orders first.
    int Compare(const CString& other) const;

    char* m_pBuffer = nullptr;
    std::uint32_t m_uCapacity = 0;
    std::uint32_t m_uLength = 0;
};

// The number of bytes before the first NUL, at most maxCount.
UTK_API std::uint32_t strnlen(const char* text, std::uint32_t maxCount);

}  // namespace UTKString
