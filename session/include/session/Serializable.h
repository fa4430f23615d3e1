// SessionNS::CSerializable: the base of every session configuration and state, and the
// owner of their serialised record: the protocol entry ("3" QUIL, "2" ARLO, "1" ZEL), then
// fields of a two-digit identifier, a length in W upper-case hex digits and the value.
// Unsigned values travel as hex without leading zeros, booleans as "1" and one digit.
// Writers refuse a value longer than its width can state; readers refuse values over
// 1,023 characters; both with COMM_ERR_BADINPUT.
#pragma once

#include <cstddef>
#include <cstdint>

#include "session/SessionApi.h"
#include "session/Stream.h"
#include "toolkit/String.h"

namespace SessionNS {

class SESSION_API CSerializable {
public:
    enum EProtocol : std::int32_t { QUIL = 0, ARLO = 1, ZEL = 2 };

    // One field of a family's table: its identifier, the key it is stored under, the name
    // the readers' messages give it, the width of its length and how its value travels.
    // TrueFalse (a boolean stored as "TRUE"/"FALSE") and Priority (a logging threshold
    // as one digit) are configuration values; the configurations handle them.
    enum class EFieldKind : std::int32_t { Text, Unsigned, Bool, TrueFalse, Priority };
    struct FieldSpec {
        const char* id;
        const char* key;
        const char* name;
        unsigned width;
        EFieldKind kind;
    };

    // The largest value a record reader accepts.
    static constexpr unsigned kMaxFieldValue = 1023;

    virtual ~CSerializable();

protected:
    CSerializable() = default;
    CSerializable(const CSerializable&) = default;
    CSerializable& operator=(const CSerializable&) = default;

    // Replaces `out` with the protocol entry.
    virtual void SerializeProtocol(EProtocol protocol, UTKString::CString& out) const;
    virtual EProtocol GetProtocol(const CStream& record) const;
    // 0 (nothing written) for a null value or identifier, a width or length of 0.
    virtual int SerializeString(unsigned width, unsigned length, const char* value,
                                const char* fieldId, UTKString::CString& out) const;
    virtual int SerializeBOOL(int value, const char* fieldId, UTKString::CString& out) const;
    virtual int SerializeUINT(unsigned width, unsigned value, const char* fieldId,
                              UTKString::CString& out) const;
    // `id` holds three characters, zeroed by the caller.
    virtual void GetFieldID(char* id, const unsigned char*& cursor, std::int32_t& remaining,
                            const CStream& record) const;
    virtual void GetFieldLength(long& length, long width, const unsigned char*& cursor,
                                std::int32_t& remaining, const char* fieldName,
                                const CStream& record) const;
    // `buffer` holds kMaxFieldValue + 1 characters.
    virtual void GetFieldValue(char* buffer, long length, const unsigned char*& cursor,
                               std::int32_t& remaining, const char* fieldName,
                               const CStream& record) const;

    // One field's length (width W) and value, as text.
    UTKString::CString ReadFieldText(unsigned width, const unsigned char*& cursor,
                                     std::int32_t& remaining, const char* fieldName,
                                     const CStream& record) const;
    // Writes a non-empty stored text as its field: text as it is, an unsigned decimal text
    // as hex digits, a boolean as its digit ("1" is true).
    void WriteField(const FieldSpec& spec, const UTKString::CString& value,
                    UTKString::CString& out) const;
    // Reads the field's length and value and gives the text to store: an unsigned value
    // back in decimal, the rest as read.
    UTKString::CString ReadField(const FieldSpec& spec, const unsigned char*& cursor,
                                 std::int32_t& remaining, const CStream& stream) const;
    template <std::size_t N>
    static const FieldSpec* FindField(const FieldSpec (&table)[N], const char* id) {
        for (const FieldSpec& spec : table) {
            if (spec.id[0] == id[0] && spec.id[1] == id[1]) {
                return &spec;
            }
        }
        return nullptr;
    }
    // The record's bytes as text (its length, no terminator in the record).
    static UTKString::CString RecordText(const CStream& record);
    // The bytes from the cursor to the end of the record.
    static CStream Rest(const unsigned char* cursor, std::int32_t remaining);
    // "<className>::Deserialize. Unrecognized FieldID ..." (CAPIException 1019), the
    // position counted in `stream`, the stream as text.
    [[noreturn]] static void ThrowUnknownField(const char* className, const char* id,
                                               const CStream& stream, std::int32_t remaining);
    static unsigned ParseHex(const char* text);
    static unsigned ParseDecimal(const char* text);
    static UTKString::CString Decimal(unsigned value);
};

}  // namespace SessionNS
