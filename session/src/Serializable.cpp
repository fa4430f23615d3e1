#include "session/Serializable.h"

#include <cstdio>
#include <cstring>

#include "session/Exceptions.h"

namespace SessionNS {
namespace {

// The largest number a length of `width` hex digits can state.
unsigned long long WidthLimit(unsigned width) {
    return width >= 8 ? 0xFFFFFFFFull : (1ull << (4 * width)) - 1;
}

void AppendField(const char* fieldId, unsigned width, unsigned length, const char* value,
                 unsigned valueLength, UTKString::CString& out) {
    if (length > WidthLimit(width)) {
        throw CArgumentException(COMM_ERR_BADINPUT, "Field %s too long for its length width %u. %u",
                                 fieldId, width, length);
    }
    char lengthText[16];
    std::snprintf(lengthText, sizeof lengthText, "%0*X", static_cast<int>(width), length);
    out += fieldId;
    out += lengthText;
    for (unsigned i = 0; i < valueLength; ++i) {
        out += value[i];
    }
}

int Position(const CStream& record, std::int32_t remaining) {
    return static_cast<int>(record.length()) - remaining;
}

}  // namespace

CSerializable::~CSerializable() = default;

void CSerializable::SerializeProtocol(EProtocol protocol, UTKString::CString& out) const {
    switch (protocol) {
        case QUIL:
            out = "3";
            return;
        case ARLO:
            out = "2";
            return;
        case ZEL:
            out = "1";
            return;
    }
    throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE, "PROTOCOL is unrecognized. %d",
                             static_cast<int>(protocol));
}

CSerializable::EProtocol CSerializable::GetProtocol(const CStream& record) const {
    if (record.empty()) {
        throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE,
                                 "SerializedStream too short to contain PROTOCOL entry");
    }
    switch (record.data()[0]) {
        case '3':
            return QUIL;
        case '2':
            return ARLO;
        case '1':
            return ZEL;
        default:
            break;
    }
    const char entry[2] = {static_cast<char>(record.data()[0]), '\0'};
    throw CArgumentException(COMM_ERR_BAD_CONFIG_VALUE, "PROTOCOL entry is unrecognized. %s",
                             entry);
}

int CSerializable::SerializeString(unsigned width, unsigned length, const char* value,
                                   const char* fieldId, UTKString::CString& out) const {
    if (value == nullptr || fieldId == nullptr || width == 0 || length == 0) {
        return 0;
    }
    AppendField(fieldId, width, length, value, length, out);
    return 1;
}

int CSerializable::SerializeBOOL(int value, const char* fieldId, UTKString::CString& out) const {
    if (fieldId == nullptr) {
        return 0;
    }
    out += fieldId;
    out += value ? "11" : "10";
    return 1;
}

int CSerializable::SerializeUINT(unsigned width, unsigned value, const char* fieldId,
                                 UTKString::CString& out) const {
    if (fieldId == nullptr) {
        return 0;
    }
    char digits[16];
    const int count = std::snprintf(digits, sizeof digits, "%X", value);
    AppendField(fieldId, width, static_cast<unsigned>(count), digits, static_cast<unsigned>(count),
                out);
    return 1;
}

void CSerializable::GetFieldID(char* id, const unsigned char*& cursor, std::int32_t& remaining,
                               const CStream& record) const {
    if (remaining < 2) {
        throw CAPIException(COMM_ERR_BADINPUT,
                            "Error parsing FieldID from Stream at byte %d. \"%s\"",
                            Position(record, remaining), RecordText(record).c_str());
    }
    id[0] = static_cast<char>(cursor[0]);
    id[1] = static_cast<char>(cursor[1]);
    cursor += 2;
    remaining -= 2;
}

void CSerializable::GetFieldLength(long& length, long width, const unsigned char*& cursor,
                                   std::int32_t& remaining, const char* fieldName,
                                   const CStream& record) const {
    if (width <= 0 || width > 8 || remaining < width) {
        throw CAPIException(COMM_ERR_BADINPUT,
                            "Unable to parse %s FieldLength from Stream at byte %d. \"%s\"",
                            fieldName, Position(record, remaining), RecordText(record).c_str());
    }
    long value = 0;
    for (long i = 0; i < width; ++i) {
        const char c = static_cast<char>(cursor[i]);
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        }
        if (digit < 0) {
            break;
        }
        value = value * 16 + digit;
    }
    cursor += width;
    remaining -= static_cast<std::int32_t>(width);
    length = value;
}

void CSerializable::GetFieldValue(char* buffer, long length, const unsigned char*& cursor,
                                  std::int32_t& remaining, const char* fieldName,
                                  const CStream& record) const {
    if (length > static_cast<long>(kMaxFieldValue) || length > remaining) {
        throw CAPIException(COMM_ERR_BADINPUT,
                            "Unable to parse %s FieldValue from Stream at byte %d. \"%s\"",
                            fieldName, Position(record, remaining), RecordText(record).c_str());
    }
    if (length <= 0) {
        buffer[0] = '\0';
        return;
    }
    std::memcpy(buffer, cursor, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    cursor += length;
    remaining -= static_cast<std::int32_t>(length);
}

UTKString::CString CSerializable::ReadFieldText(unsigned width, const unsigned char*& cursor,
                                                std::int32_t& remaining, const char* fieldName,
                                                const CStream& record) const {
    long length = 0;
    GetFieldLength(length, static_cast<long>(width), cursor, remaining, fieldName, record);
    char buffer[kMaxFieldValue + 1];
    GetFieldValue(buffer, length, cursor, remaining, fieldName, record);
    return UTKString::CString(buffer);
}

void CSerializable::WriteField(const FieldSpec& spec, const UTKString::CString& value,
                               UTKString::CString& out) const {
    if (value.empty()) {
        return;
    }
    switch (spec.kind) {
        case EFieldKind::Text:
            SerializeString(spec.width, value.length(), value.c_str(), spec.id, out);
            break;
        case EFieldKind::Unsigned:
            SerializeUINT(spec.width, ParseDecimal(value.c_str()), spec.id, out);
            break;
        case EFieldKind::Bool:
            SerializeBOOL(value == "1", spec.id, out);
            break;
        case EFieldKind::TrueFalse:
        case EFieldKind::Priority:
            break;  // written by the configurations
    }
}

UTKString::CString CSerializable::ReadField(const FieldSpec& spec, const unsigned char*& cursor,
                                            std::int32_t& remaining, const CStream& stream) const {
    const unsigned width =
        spec.kind == EFieldKind::Bool || spec.kind == EFieldKind::TrueFalse ? 1 : spec.width;
    UTKString::CString text = ReadFieldText(width, cursor, remaining, spec.name, stream);
    if (spec.kind == EFieldKind::Unsigned) {
        return Decimal(ParseHex(text.c_str()));
    }
    return text;
}

UTKString::CString CSerializable::RecordText(const CStream& record) {
    UTKString::CString text;
    if (record.data() != nullptr) {
        text.reserve(static_cast<std::uint32_t>(record.length()) + 1);
        for (unsigned long i = 0; i < record.length(); ++i) {
            text += static_cast<char>(record.data()[i]);
        }
    }
    return text;
}

CStream CSerializable::Rest(const unsigned char* cursor, std::int32_t remaining) {
    return remaining > 0 ? CStream(cursor, static_cast<unsigned long>(remaining)) : CStream();
}

void CSerializable::ThrowUnknownField(const char* className, const char* id, const CStream& stream,
                                      std::int32_t remaining) {
    throw CAPIException(COMM_ERR_BADINPUT,
                        "%s::Deserialize. Unrecognized FieldID \"%s\" at byte %d. \"%s\"",
                        className, id, Position(stream, remaining), RecordText(stream).c_str());
}

unsigned CSerializable::ParseHex(const char* text) {
    unsigned value = 0;
    for (; text != nullptr && *text != '\0'; ++text) {
        const char c = *text;
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            break;
        }
        value = value * 16 + digit;
    }
    return value;
}

unsigned CSerializable::ParseDecimal(const char* text) {
    unsigned value = 0;
    for (; text != nullptr && *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
    }
    return value;
}

UTKString::CString CSerializable::Decimal(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", value);
    return UTKString::CString(text);
}

}  // namespace SessionNS
