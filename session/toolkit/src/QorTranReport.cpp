// Text reports of the translator's tables, for diagnosis.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "toolkit/QorTran.h"

namespace QorTranNS {
namespace {

void Put(std::string& out, const char* format, ...) UTK_PRINTF(2, 3);
void Put(std::string& out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) {
        out.append(line, static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n)
                                                                   : sizeof line - 1);
    }
}

void Frame(std::string& out, const char* separator, const char* title, const char* heads) {
    out += separator;
    out += title;
    out += separator;
    out += heads;
    out += separator;
}

void EndFrame(std::string& out, const char* separator) {
    out += separator;
    out += "\n";
}

struct AsciiName {
    char text[8];
    explicit AsciiName(std::uint8_t code) { CQorTran::ConvertASCIIToPrintableString(code, text); }
};

struct EbcdicName {
    char text[8];
    explicit EbcdicName(std::uint8_t code) { CQorTran::ConvertEBCDICToPrintableString(code, text); }
};

// One translation with its own output buffer.
struct Output {
    std::uint8_t* bytes = nullptr;
    std::uint32_t length = 0;
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { CQorTran::DeallocateLastMessage(&bytes); }
};

// Client bytes to QFE with no terminator; a failure counts as an empty result.
void ToQFE(const CQorTran& tran, const std::uint8_t* input, std::uint32_t length, Output& out) {
    if (tran.ClientToQFE(input, length, &out.bytes, &out.length, 0, CQorTran::EOM_NONE, 0) !=
        CQorTran::QORTRAN_SUCCESS) {
        CQorTran::DeallocateLastMessage(&out.bytes);
        out.length = 0;
    }
}

// QFE bytes to client text, keeping end-of-message bytes. False for a failure; an empty
// result is true with length 0.
bool ToClient(const CQorTran& tran, const std::uint8_t* input, std::uint32_t length, Output& out) {
    CQorTran::EOM_STATUS eom = CQorTran::EOM_NOT_FOUND;
    CQorTran::SEGMENT_SPAN_STATUS span = CQorTran::SPAN_NONE;
    const CQorTran::RESULTCODE rc =
        tran.QFEToClient(input, length, &out.bytes, &out.length, eom, span, 0, 0, 0, 0, 1);
    if (rc == CQorTran::QORTRAN_EMPTY_STRING) {
        out.length = 0;
        return true;
    }
    return rc == CQorTran::QORTRAN_SUCCESS || rc == CQorTran::QORTRAN_OUTPUT_TRUNCATED;
}

// The display name of a one- or two-byte QFE result.
const char* QfeName(const Output& qfe) {
    return qfe.length == 1 ? CQorTran::ConvertQFEtoTrevoString(qfe.bytes[0])
                           : CQorTran::ConvertQFEtoExtendedTrevoString(qfe.bytes[1]);
}

}  // namespace

void CQorTran::GenerateTable(UTKString::CString& out, const char* name, const std::uint8_t* table) {
    static const std::uint8_t kZeros[256] = {};
    if (table == nullptr) {
        table = kZeros;
    }
    std::string text;
    Put(text, "XLATE_TABLE %s = \n{\n", name);
    text +=
        "/*                   0,   1,   2,   3,   4,   5,   6,   7, */\n"
        "/*                   8,   9,   A,   B,   C,   D,   E,   F, */\n";
    for (int row = 0; row < 32; ++row) {
        const std::uint8_t* v = table + row * 8;
        Put(text,
            "/* 0x%2.2X - 0x%2.2X */ 0x%2.2X,0x%2.2X,0x%2.2X,0x%2.2X,0x%2.2X,0x%2.2X,0x%2.2X,"
            "0x%2.2X",
            row * 8, row * 8 + 7, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
        text += row < 31 ? ",\n" : "\n";
    }
    text += "};\n";
    out += text.c_str();
}

void CQorTran::ReportClientToQFE(UTKString::CString& out) const {
    static const char* const kSeparator = "|------------>-----------|-----------------------|\n";
    std::string text;
    Frame(text, kSeparator, "| CLIENT_TO_QFE Report                           |\n",
          "| CLIENT     > QFE1 QFE2 | TREVO                 |\n");
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        const AsciiName name(c);
        Output qfe;
        ToQFE(*this, &c, 1, qfe);
        if (qfe.length == 0) {
            Put(text, "| 0x%2.2X '%3.3s' > EMPTY     |                       |\n", code, name.text);
        } else if (qfe.length == 1) {
            Put(text, "| 0x%2.2X '%3.3s' > 0x%2.2X      | %-21.21s |\n", code, name.text,
                qfe.bytes[0], QfeName(qfe));
        } else if (qfe.length == 2) {
            Put(text, "| 0x%2.2X '%3.3s' > 0x%2.2X 0x%2.2X | %-21.21s |\n", code, name.text,
                qfe.bytes[0], qfe.bytes[1], QfeName(qfe));
        } else {
            Put(text, "| 0x%2.2X '%3.3s' > ERROR: TOO MANY CHARS RETURNED   |\n", code, name.text);
        }
    }
    EndFrame(text, kSeparator);
    out += text.c_str();
}

namespace {
// A client result of QFEToClient as the report shows it, 10 characters at most.
std::string ClientCell(bool ok, const Output& client) {
    char cell[32];
    if (!ok) {
        return "ERROR";
    }
    if (client.length == 0) {
        return "EMPTY";
    }
    if (client.length == 1) {
        const AsciiName name(client.bytes[0]);
        std::snprintf(cell, sizeof cell, "0x%2.2X '%3.3s'", client.bytes[0], name.text);
        return cell;
    }
    if (client.length == 2) {
        std::uint8_t printable = 0;
        CQorTran::ConvertASCIIToPrintableChar(client.bytes[1], printable);
        std::snprintf(cell, sizeof cell, "0x%2.2X 0x%2.2X '%c'", client.bytes[0], client.bytes[1],
                      printable);
        return cell;
    }
    return "ERROR";
}
}  // namespace

void CQorTran::ReportQFEToClient(UTKString::CString& out) const {
    static const char* const kSeparator =
        "|----------------------------->------------|----------------------------------->"
        "------------|\n";
    std::string text;
    Frame(text, kSeparator,
          "| QFE_TO_CLIENT Report                                                              "
          "        |\n",
          "| QFE1  (TREVO VALUE)         > CLIENT     | QFE1 QFE2  (TREVO VALUE)          > "
          "CLIENT     |\n");
    for (int code = 0; code < 256; ++code) {
        const auto b = static_cast<std::uint8_t>(code);
        Output single;
        const bool singleOk = ToClient(*this, &b, 1, single);
        const std::uint8_t pair[2] = {0x5D, b};
        Output shifted;
        const bool shiftedOk = ToClient(*this, pair, 2, shifted);
        Put(text, "| 0x%2.2X '%-21.21s'> %-10.10s | 0x%2.2X 0x%2.2X '%-21.21s' > %-10.10s |\n",
            code, ConvertQFEtoTrevoString(b), ClientCell(singleOk, single).c_str(), 0x5D, code,
            ConvertQFEtoExtendedTrevoString(b), ClientCell(shiftedOk, shifted).c_str());
    }
    EndFrame(text, kSeparator);
    out += text.c_str();
}

void CQorTran::ReportClientToQFEToClient(UTKString::CString& out) const {
    static const char* const kSeparator =
        "|------------>-----------|----------------------->------------|\n";
    std::string text;
    Frame(text, kSeparator, "| CLIENT_TO_QFE_TO_CLIENT Report                              |\n",
          "| CLIENT     > QFE1 QFE2 | TREVO                 > CLIENT     |\n");
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        const AsciiName name(c);
        Output qfe;
        ToQFE(*this, &c, 1, qfe);
        if (qfe.length == 0) {
            Put(text, "| 0x%2.2X '%3.3s' > EMPTY     |                       >            |\n",
                code, name.text);
            continue;
        }
        if (qfe.length > 2) {
            Put(text, "| 0x%2.2X '%3.3s' > ERROR: TOO MANY CHARS RETURNED    >            |\n",
                code, name.text);
            continue;
        }
        char qfeCell[16];
        if (qfe.length == 1) {
            std::snprintf(qfeCell, sizeof qfeCell, "0x%2.2X     ", qfe.bytes[0]);
        } else {
            std::snprintf(qfeCell, sizeof qfeCell, "0x%2.2X 0x%2.2X", qfe.bytes[0], qfe.bytes[1]);
        }
        Output client;
        const bool ok = ToClient(*this, qfe.bytes, qfe.length, client);
        if (ok && client.length == 0) {
            Put(text, "| 0x%2.2X '%3.3s' > %s | %-21.21s > EMPTY      |\n", code, name.text,
                qfeCell, QfeName(qfe));
        } else if (ok && client.length == 1) {
            const AsciiName back(client.bytes[0]);
            Put(text, "| 0x%2.2X '%3.3s' > %s | %-21.21s > 0x%2.2X '%3.3s' |\n", code, name.text,
                qfeCell, QfeName(qfe), client.bytes[0], back.text);
        } else {
            Put(text, "| 0x%2.2X '%3.3s' > %s | %-21.21s > ERROR      |\n", code, name.text,
                qfeCell, QfeName(qfe));
        }
    }
    EndFrame(text, kSeparator);
    out += text.c_str();
}

void CQorTran::ReportQFEToClientToQFE(UTKString::CString& out) const {
    static const char* const kSeparator =
        "|----------------------------------->------------>-----------------------------------|\n";
    std::string text;
    Frame(
        text, kSeparator,
        "| QFE_TO_CLIENT_TO_QFE Report                                                        |\n",
        "| QFE1      (TREVO VALUE)           > CLIENT     > QFE1 QFE2 (TREVO VALUE)           |\n");
    for (int code = 0; code < 256; ++code) {
        const auto b = static_cast<std::uint8_t>(code);
        for (int shifted = 0; shifted < 2; ++shifted) {
            const std::uint8_t pair[2] = {0x5D, b};
            const std::uint8_t* input = shifted ? pair : &b;
            if (shifted) {
                Put(text, "| 0x%2.2X 0x%2.2X '%-21.21s' > ", 0x5D, code,
                    ConvertQFEtoExtendedTrevoString(b));
            } else {
                Put(text, "| 0x%2.2X      '%-21.21s' > ", code, ConvertQFEtoTrevoString(b));
            }
            Output client;
            const bool ok = ToClient(*this, input, shifted ? 2 : 1, client);
            if (ok && client.length == 0) {
                text += "EMPTY      >                                   |\n";
                continue;
            }
            if (!ok || client.length != 1) {
                text += "ERROR      >                                   |\n";
                continue;
            }
            const AsciiName name(client.bytes[0]);
            Put(text, "0x%2.2X '%3.3s' > ", client.bytes[0], name.text);
            Output back;
            ToQFE(*this, client.bytes, client.length, back);
            if (back.length == 0) {
                text += "EMPTY                             |\n";
            } else if (back.length == 1) {
                Put(text, "0x%2.2X      '%-21.21s' |\n", back.bytes[0], QfeName(back));
            } else if (back.length == 2) {
                Put(text, "0x%2.2X 0x%2.2X '%-21.21s' |\n", back.bytes[0], back.bytes[1],
                    QfeName(back));
            } else {
                text += "ERROR: TOO MANY CHARS RETURNED    |\n";
            }
        }
    }
    EndFrame(text, kSeparator);
    out += text.c_str();
}

void CQorTran::ReportAsciiToEbcdicToAscii(UTKString::CString& out) {
    static const char* const kSeparator = "|------------>------------>-----------|\n";
    std::string text;
    Frame(text, kSeparator, "| ASCII_TO_EBCIDIC_TO_ASCII Report    |\n",
          "|     ASCII  >     EBCDIC >     ASCII |\n");
    for (int code = 0; code < 0xFF; ++code) {
        const auto a = static_cast<std::uint8_t>(code);
        std::uint8_t e = 0;
        std::uint8_t back = 0;
        ASCIItoEBCDIC(1, &a, &e);
        EBCDICtoASCII(1, &e, &back);
        const AsciiName aName(a);
        const EbcdicName eName(e);
        const AsciiName backName(back);
        Put(text, "| 0x%2.2X '%3.3s' > 0x%2.2X '%3.3s' > 0x%2.2X '%3.3s'|\n", a, aName.text, e,
            eName.text, back, backName.text);
    }
    EndFrame(text, kSeparator);
    out += text.c_str();
}

UTKString::CString CQorTran::GetReport(REPORT_TYPE type) const {
    UTKString::CString out;
    switch (type) {
        case REPORT_RAW_TABLES:
            GenerateTable(out, "ClientToQFEMask", m_pClientToQFE);
            out += "\n";
            GenerateTable(out, "ClientToExtendedQFETable", m_pClientToExtendedQFE);
            out += "\n";
            GenerateTable(out, "QFEToClientTable", m_pQFEToClient);
            out += "\n";
            GenerateTable(out, "ExtendedQFEToClientTable", m_pExtendedQFEToClient);
            out += "\n";
            break;
        case REPORT_CLIENT_TO_QFE:
            ReportClientToQFE(out);
            break;
        case REPORT_QFE_TO_CLIENT:
            ReportQFEToClient(out);
            break;
        case REPORT_CLIENT_TO_QFE_TO_CLIENT:
            ReportClientToQFEToClient(out);
            break;
        case REPORT_QFE_TO_CLIENT_TO_QFE:
            ReportQFEToClientToQFE(out);
            break;
        case REPORT_TABLE_TEMPLATE:
            GenerateTable(out, "TemplateTable", nullptr);
            break;
        case REPORT_ASCII_TO_EBCDIC_TO_ASCII:
            ReportAsciiToEbcdicToAscii(out);
            break;
        default: {
            char line[64];
            std::snprintf(line, sizeof line, "Unrecognized REPORT_TYPE: %d",
                          static_cast<int>(type));
            out = line;
            break;
        }
    }
    return out;
}

}  // namespace QorTranNS
