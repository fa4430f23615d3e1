// QorTranNS::CQorTran: translates between client text (single-byte ASCII or ANSI) and the
// host front-end code QFE, in which only capitals, digits and a little punctuation have a
// byte of their own, every other character is the shift byte 0x5D and a second byte, runs
// of blanks may arrive compacted, and a message ends in one of four end-of-message bytes.
//
// A translator only reads the four tables it refers to (it never owns them), so one
// translator may serve several threads; the segment span status and the output pointer
// belong to the caller's stream. Translations allocate their output themselves; a buffer
// still held by the output pointer is released on the next call with the same pointer,
// and the last one with DeallocateLastMessage. Nothing here throws.
#pragma once

#include <cstdint>

#include "toolkit/String.h"
#include "toolkit/ToolkitApi.h"

namespace QorTranNS {

using XlateTable = std::uint8_t[256];

class UTK_API CQorTran {
public:
    enum RESULTCODE : std::int32_t {
        QORTRAN_SUCCESS = 0,
        QORTRAN_NULL_INPUT_MESSAGE = 1,
        QORTRAN_INPUT_MESSAGE_LENGTH_IS_ZERO = 2,
        QORTRAN_NULL_OUTPUT_MESSAGE = 3,
        QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH = 4,
        QORTRAN_BEGIN_OFFSET_TOO_LARGE = 5,
        QORTRAN_XLATE_LENGTH_TOO_LARGE = 6,
        QORTRAN_OFFSET_PLUS_LENGTH_TOO_LARGE = 7,
        QORTRAN_TABLES_NOT_DEFINED = 8,
        QORTRAN_EMPTY_STRING = 9,
        QORTRAN_OUTPUT_TRUNCATED = 10,
        QORTRAN_XLATE_HANDLE_IS_NULL = 11,
        QORTRAN_TABLE_IS_NULL = 12,
        QORTRAN_REQUIRED_ARG_IS_NULL = 13,
        QORTRAN_ALLOCATION_FAILED = 14,
    };

    // What ClientToQFE appends; any value above 4 appends 0x4E.
    enum EOM_TERMINATOR : std::uint32_t {
        EOM_NONE = 0,
        EOM_4E = 1,
        EOM_5F = 2,
        EOM_7E = 3,
        EOM_6D = 4,
    };

    // What QFEToClient saw: an EOM before the last input byte (0 to 3), an EOM as the last
    // byte (4 to 7), or none (8).
    enum EOM_STATUS : std::uint32_t {
        EOM_EARLY_4E = 0,
        EOM_EARLY_5F = 1,
        EOM_EARLY_7E = 2,
        EOM_EARLY_6D = 3,
        EOM_LAST_4E = 4,
        EOM_LAST_5F = 5,
        EOM_LAST_7E = 6,
        EOM_LAST_6D = 7,
        EOM_NOT_FOUND = 8,
    };

    // Carried by the caller from one input segment to the next.
    enum SEGMENT_SPAN_STATUS : std::uint32_t {
        SPAN_NONE = 0,
        SPAN_AFTER_SHIFT = 1,
        SPAN_AFTER_COMPACTION = 2,
    };

    enum REPORT_TYPE : std::int32_t {
        REPORT_RAW_TABLES = 0,
        REPORT_CLIENT_TO_QFE = 1,
        REPORT_QFE_TO_CLIENT = 2,
        REPORT_CLIENT_TO_QFE_TO_CLIENT = 3,
        REPORT_QFE_TO_CLIENT_TO_QFE = 4,
        REPORT_TABLE_TEMPLATE = 5,
        REPORT_ASCII_TO_EBCDIC_TO_ASCII = 6,
    };

    static const char* const sm_ResultCodeStrings[15];

    CQorTran() = default;
    CQorTran(const XlateTable& clientToQFE, const XlateTable& clientToExtendedQFE,
             const XlateTable& qfeToClient, const XlateTable& extendedQFEToClient);
    CQorTran(const CQorTran&) = default;
    CQorTran& operator=(const CQorTran&) = default;
    virtual ~CQorTran();

    void SetClientToQFETables(const XlateTable& base, const XlateTable& extended);
    void SetQFEToClientTables(const XlateTable& base, const XlateTable& extended);
    // Copy the referenced tables; a table that was never set reads as all zero.
    void GetClientToQFETables(XlateTable& base, XlateTable& extended) const;
    void GetQFEToClientTables(XlateTable& base, XlateTable& extended) const;

    [[nodiscard]] RESULTCODE ClientToQFE(const std::uint8_t* input, std::uint32_t inputLength,
                                         std::uint8_t** output, std::uint32_t* outputLength,
                                         std::uint32_t beginOffset, EOM_TERMINATOR terminator,
                                         std::uint32_t xlateLength) const;
    [[nodiscard]] RESULTCODE CalcClientToQFEResultLength(
        const std::uint8_t* input, std::uint32_t inputLength, std::uint32_t* outputLength,
        std::uint32_t beginOffset, EOM_TERMINATOR terminator, std::uint32_t xlateLength) const;

    // The flags count only when they are 1. The span status is read and written back.
    [[nodiscard]] RESULTCODE QFEToClient(const std::uint8_t* input, std::uint32_t inputLength,
                                         std::uint8_t** output, std::uint32_t* outputLength,
                                         EOM_STATUS& eomStatus, SEGMENT_SPAN_STATUS& spanStatus,
                                         std::uint32_t beginOffset, int headerFlag,
                                         int fieldMarkFlag, std::uint32_t xlateLength,
                                         int keepEomFlag) const;
    // The length QFEToClient would give; the span status is only read.
    [[nodiscard]] RESULTCODE CalcQFEToClientResultLength(
        const std::uint8_t* input, std::uint32_t inputLength, std::uint32_t* outputLength,
        EOM_STATUS& eomStatus, SEGMENT_SPAN_STATUS& spanStatus, std::uint32_t beginOffset,
        int headerFlag, int fieldMarkFlag, std::uint32_t xlateLength, int keepEomFlag) const;

    // Releases a buffer a translation allocated and nulls the pointer.
    static void DeallocateLastMessage(std::uint8_t** output);

    static const char* GetResultCodeText(RESULTCODE code);
    static const char* GetVersion();

    static std::uint8_t* ASCIItoEBCDIC(std::uint32_t count, const std::uint8_t* source,
                                       std::uint8_t* target);
    static std::uint8_t* EBCDICtoASCII(std::uint32_t count, const std::uint8_t* source,
                                       std::uint8_t* target);

    // Short printable names for logs; the buffer must hold at least 4 bytes.
    static char* ConvertEBCDICToPrintableString(std::uint8_t code, char* buffer);
    static char* ConvertASCIIToPrintableString(std::uint8_t code, char* buffer);
    static std::uint8_t ConvertEBCDICToPrintableChar(std::uint8_t code, std::uint8_t& out);
    static std::uint8_t ConvertASCIIToPrintableChar(std::uint8_t code, std::uint8_t& out);

    // Display names of QFE bytes in the base and in the extended (shifted) set.
    static const char* ConvertQFEtoTrevoString(std::uint8_t code);
    static const char* ConvertQFEtoExtendedTrevoString(std::uint8_t code);

    UTKString::CString GetReport(REPORT_TYPE type) const;

private:
    struct ScanState;
    RESULTCODE CheckQFEToClient(const std::uint8_t* input, std::uint32_t inputLength,
                                std::uint32_t beginOffset, int headerFlag,
                                std::uint32_t xlateLength) const;
    template <bool Write>
    std::uint64_t ScanQFE(const std::uint8_t* input, std::uint32_t inputLength,
                          std::uint32_t beginOffset, bool header, bool fieldMark, bool keepEom,
                          ScanState& state, std::uint8_t* output) const;
    std::uint64_t CountClientToQFE(const std::uint8_t* input, std::uint32_t begin,
                                   std::uint32_t end, EOM_TERMINATOR terminator) const;

    static void GenerateTable(UTKString::CString& out, const char* name, const std::uint8_t* table);
    void ReportClientToQFE(UTKString::CString& out) const;
    void ReportQFEToClient(UTKString::CString& out) const;
    void ReportClientToQFEToClient(UTKString::CString& out) const;
    void ReportQFEToClientToQFE(UTKString::CString& out) const;
    static void ReportAsciiToEbcdicToAscii(UTKString::CString& out);

    const std::uint8_t* m_pClientToQFE = nullptr;
    const std::uint8_t* m_pClientToExtendedQFE = nullptr;
    const std::uint8_t* m_pQFEToClient = nullptr;
    const std::uint8_t* m_pExtendedQFEToClient = nullptr;
};

}  // namespace QorTranNS
