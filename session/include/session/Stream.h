// SessionNS::CStream: the growable byte buffer in which requests, responses, options data
// and serialised records travel. Blocks come zero-filled from the process heap and grow
// to exactly the size asked; a failed allocation leaves the stream empty (no block).
#pragma once

#include <cstdint>

#include "session/SessionApi.h"
#include "toolkit/String.h"

namespace SessionNS {

class SESSION_API CStream {
public:
    CStream() = default;
    CStream(const CStream& other);
    CStream(const unsigned char* bytes, unsigned long count);
    virtual ~CStream();

    unsigned long length() const { return m_Length; }
    const unsigned char* data() const { return m_pData; }
    unsigned long size() const { return m_Capacity; }
    bool empty() const { return m_Length == 0 || m_pData == nullptr; }

    void set(const unsigned char* bytes, unsigned long count) { Assign(bytes, count); }
    CStream& operator=(const CStream& other);
    CStream& operator+=(const CStream& other);
    // Byte i; the block first grows to i + 1 bytes when i is beyond it (length unchanged).
    unsigned char& operator[](unsigned long i);
    bool operator==(const CStream& other) const;
    bool operator!=(const CStream& other) const { return !(*this == other); }

    void reserve(unsigned long n);
    // Zeroes the block and the length; keeps the block.
    void erase();
    // The bytes with 0x00-0x1F, '%' and 0x7F shown as '.'; valid until the next call.
    const char* printable();
    // Two upper-case hex digits per byte; valid until the next call.
    const char* hex();

private:
    void Assign(const unsigned char* bytes, unsigned long count);
    void Append(const unsigned char* bytes, unsigned long count);
    void Release();

    unsigned char* m_pData = nullptr;
    std::uint32_t m_Length = 0;
    std::uint32_t m_Capacity = 0;
    UTKString::CString m_Printable;
    UTKString::CString m_Hex;
};

}  // namespace SessionNS
