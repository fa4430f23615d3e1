#include "toolkit/QorTran.h"

#include <cstring>

#include "Heap.h"

namespace QorTranNS {
namespace {

constexpr std::uint8_t kShift = 0x5D;
constexpr std::uint8_t kNoOp = 0x6C;
constexpr std::uint8_t kFieldMark = 0x1F;
constexpr std::uint8_t kCompactionMarker = 0x20;
constexpr std::uint32_t kHeaderLength = 3;
// The largest output: its length and a terminating NUL must fit the 32-bit length.
constexpr std::uint64_t kMaxOutput = 0xFFFFFFFEU;

std::uint8_t TerminatorByte(CQorTran::EOM_TERMINATOR terminator) {
    switch (terminator) {
        case CQorTran::EOM_5F:
            return 0x5F;
        case CQorTran::EOM_7E:
            return 0x7E;
        case CQorTran::EOM_6D:
            return 0x6D;
        default:
            return 0x4E;
    }
}

// The index (0 to 3) of an end-of-message byte, or -1.
int EomIndex(std::uint8_t b) {
    switch (b) {
        case 0x4E:
            return 0;
        case 0x5F:
            return 1;
        case 0x7E:
            return 2;
        case 0x6D:
            return 3;
        default:
            return -1;
    }
}

void ReleaseOutput(std::uint8_t** output, std::uint32_t* outputLength) {
    if (output != nullptr && *output != nullptr) {
        UTKTools::detail::HeapFree(*output);
        *output = nullptr;
    }
    if (outputLength != nullptr) {
        *outputLength = 0;
    }
}

// The argument checks both translations make, in the order they make them.
CQorTran::RESULTCODE CheckArguments(const std::uint8_t* input, std::uint32_t inputLength,
                                    std::uint8_t** output, std::uint32_t* outputLength) {
    if (input == nullptr) {
        return CQorTran::QORTRAN_NULL_INPUT_MESSAGE;
    }
    if (inputLength == 0) {
        return CQorTran::QORTRAN_INPUT_MESSAGE_LENGTH_IS_ZERO;
    }
    if (output == nullptr) {
        return CQorTran::QORTRAN_NULL_OUTPUT_MESSAGE;
    }
    if (outputLength == nullptr) {
        return CQorTran::QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH;
    }
    return CQorTran::QORTRAN_SUCCESS;
}

}  // namespace

const char* const CQorTran::sm_ResultCodeStrings[15] = {
    "QORTRAN_SUCCESS",
    "QORTRAN_NULL_INPUT_MESSAGE",
    "QORTRAN_INPUT_MESSAGE_LENGTH_IS_ZERO",
    "QORTRAN_NULL_OUTPUT_MESSAGE",
    "QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH",
    "QORTRAN_BEGIN_OFFSET_TOO_LARGE",
    "QORTRAN_XLATE_LENGTH_TOO_LARGE",
    "QORTRAN_OFFSET_PLUS_LENGTH_TOO_LARGE",
    "QORTRAN_TABLES_NOT_DEFINED",
    "QORTRAN_EMPTY_STRING",
    "QORTRAN_OUTPUT_TRUNCATED",
    "QORTRAN_XLATE_HANDLE_IS_NULL",
    "QORTRAN_TABLE_IS_NULL",
    "QORTRAN_REQUIRED_ARG_IS_NULL",
    nullptr,
};

// The state of one scan over QFE bytes.
struct CQorTran::ScanState {
    bool shift = false;
    bool compaction = false;
    bool stoppedEarly = false;
    EOM_STATUS eom = EOM_NOT_FOUND;
};

CQorTran::CQorTran(const XlateTable& clientToQFE, const XlateTable& clientToExtendedQFE,
                   const XlateTable& qfeToClient, const XlateTable& extendedQFEToClient)
    : m_pClientToQFE(clientToQFE),
      m_pClientToExtendedQFE(clientToExtendedQFE),
      m_pQFEToClient(qfeToClient),
      m_pExtendedQFEToClient(extendedQFEToClient) {}

CQorTran::~CQorTran() = default;

void CQorTran::SetClientToQFETables(const XlateTable& base, const XlateTable& extended) {
    m_pClientToQFE = base;
    m_pClientToExtendedQFE = extended;
}

void CQorTran::SetQFEToClientTables(const XlateTable& base, const XlateTable& extended) {
    m_pQFEToClient = base;
    m_pExtendedQFEToClient = extended;
}

namespace {
void CopyTable(std::uint8_t* target, const std::uint8_t* source) {
    if (source != nullptr) {
        std::memcpy(target, source, 256);
    } else {
        std::memset(target, 0, 256);
    }
}
}  // namespace

void CQorTran::GetClientToQFETables(XlateTable& base, XlateTable& extended) const {
    CopyTable(base, m_pClientToQFE);
    CopyTable(extended, m_pClientToExtendedQFE);
}

void CQorTran::GetQFEToClientTables(XlateTable& base, XlateTable& extended) const {
    CopyTable(base, m_pQFEToClient);
    CopyTable(extended, m_pExtendedQFEToClient);
}

// ---- client to QFE ----

std::uint64_t CQorTran::CountClientToQFE(const std::uint8_t* input, std::uint32_t begin,
                                         std::uint32_t end, EOM_TERMINATOR terminator) const {
    std::uint64_t total = 0;
    for (std::uint32_t i = begin; i < end; ++i) {
        const std::uint8_t base = m_pClientToQFE[input[i]];
        if (base == kShift) {
            total += m_pClientToExtendedQFE[input[i]] != 0x00 ? 2 : 0;
        } else if (base != 0x00) {
            total += 1;
        }
    }
    return total + (terminator != EOM_NONE ? 1 : 0);
}

CQorTran::RESULTCODE CQorTran::CalcClientToQFEResultLength(
    const std::uint8_t* input, std::uint32_t inputLength, std::uint32_t* outputLength,
    std::uint32_t beginOffset, EOM_TERMINATOR terminator, std::uint32_t xlateLength) const {
    if (input == nullptr) {
        return QORTRAN_NULL_INPUT_MESSAGE;
    }
    if (outputLength == nullptr) {
        return QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH;
    }
    *outputLength = 0;
    const std::uint64_t end = std::uint64_t{beginOffset} + xlateLength;
    if (xlateLength != 0 && end > inputLength) {
        return QORTRAN_OFFSET_PLUS_LENGTH_TOO_LARGE;
    }
    if (m_pClientToQFE == nullptr || m_pClientToExtendedQFE == nullptr) {
        return QORTRAN_TABLES_NOT_DEFINED;
    }
    const std::uint32_t last = xlateLength != 0 ? static_cast<std::uint32_t>(end) : inputLength;
    const std::uint64_t total = CountClientToQFE(input, beginOffset, last, terminator);
    if (total > kMaxOutput) {
        return QORTRAN_ALLOCATION_FAILED;  // more than any output buffer can hold
    }
    *outputLength = static_cast<std::uint32_t>(total);
    return QORTRAN_SUCCESS;
}

CQorTran::RESULTCODE CQorTran::ClientToQFE(const std::uint8_t* input, std::uint32_t inputLength,
                                           std::uint8_t** output, std::uint32_t* outputLength,
                                           std::uint32_t beginOffset, EOM_TERMINATOR terminator,
                                           std::uint32_t xlateLength) const {
    ReleaseOutput(output, outputLength);
    if (const RESULTCODE rc = CheckArguments(input, inputLength, output, outputLength);
        rc != QORTRAN_SUCCESS) {
        return rc;
    }
    if (beginOffset > inputLength) {
        return QORTRAN_BEGIN_OFFSET_TOO_LARGE;
    }
    if (xlateLength > inputLength) {
        return QORTRAN_XLATE_LENGTH_TOO_LARGE;
    }
    std::uint32_t total = 0;
    const RESULTCODE counted = CalcClientToQFEResultLength(input, inputLength, &total, beginOffset,
                                                           terminator, xlateLength);
    if (counted != QORTRAN_SUCCESS) {
        return counted;
    }
    if (total == 0) {
        return QORTRAN_EMPTY_STRING;
    }
    auto* out = static_cast<std::uint8_t*>(UTKTools::detail::HeapAllocZeroed(total));
    if (out == nullptr) {
        return QORTRAN_ALLOCATION_FAILED;
    }
    const std::uint32_t end = xlateLength != 0 ? beginOffset + xlateLength : inputLength;
    std::uint32_t n = 0;
    for (std::uint32_t i = beginOffset; i < end; ++i) {
        const std::uint8_t base = m_pClientToQFE[input[i]];
        if (base == kShift) {
            const std::uint8_t extended = m_pClientToExtendedQFE[input[i]];
            if (extended != 0x00) {
                out[n++] = kShift;
                out[n++] = extended;
            }
        } else if (base != 0x00) {
            out[n++] = base;
        }
    }
    if (terminator != EOM_NONE) {
        out[n++] = TerminatorByte(terminator);
    }
    *output = out;
    *outputLength = n;
    return QORTRAN_SUCCESS;
}

// ---- QFE to client ----

CQorTran::RESULTCODE CQorTran::CheckQFEToClient(const std::uint8_t* input,
                                                std::uint32_t inputLength,
                                                std::uint32_t beginOffset, int headerFlag,
                                                std::uint32_t xlateLength) const {
    if (input == nullptr) {
        return QORTRAN_NULL_INPUT_MESSAGE;
    }
    if (inputLength == 0) {
        return QORTRAN_INPUT_MESSAGE_LENGTH_IS_ZERO;
    }
    if (beginOffset > inputLength) {
        return QORTRAN_BEGIN_OFFSET_TOO_LARGE;
    }
    if (xlateLength > inputLength) {
        return QORTRAN_XLATE_LENGTH_TOO_LARGE;
    }
    if (xlateLength != 0 && std::uint64_t{beginOffset} + xlateLength > inputLength) {
        return QORTRAN_OFFSET_PLUS_LENGTH_TOO_LARGE;
    }
    if (headerFlag == 1 && inputLength < kHeaderLength) {
        // The header is copied from the first three input bytes: there must be three.
        return QORTRAN_BEGIN_OFFSET_TOO_LARGE;
    }
    return QORTRAN_SUCCESS;
}

// Scans from the begin offset (behind the header) to the end of the input or the first
// early end-of-message byte. Counts the bytes it emits and, with an output, writes them.
template <bool Write>
std::uint64_t CQorTran::ScanQFE(const std::uint8_t* input, std::uint32_t inputLength,
                                std::uint32_t beginOffset, bool header, bool fieldMark,
                                bool keepEom, ScanState& state, std::uint8_t* output) const {
    std::uint64_t n = 0;
    auto emit = [&](std::uint8_t c) {
        if constexpr (Write) {
            output[n] = c;
        }
        ++n;
    };
    const std::uint64_t markFirst = std::uint64_t{beginOffset} + (header ? kHeaderLength : 0);
    for (std::uint64_t i = markFirst; i < inputLength; ++i) {
        const std::uint8_t b = input[i];
        if (state.compaction) {
            state.compaction = false;
            const std::uint8_t c = m_pQFEToClient[b];
            if (c >= 'A' && c <= 'Z') {
                for (int k = 0; k < c - 0x3D; ++k) {
                    emit(' ');
                }
            }
            continue;
        }
        if (b == 0x00) {
            state.shift = false;
            continue;
        }
        if (b == kShift) {
            if (state.shift) {
                emit(')');
            }
            state.shift = !state.shift;
            continue;
        }
        const int eom = EomIndex(b);
        if (eom >= 0) {
            if (keepEom) {
                emit(m_pQFEToClient[b]);
            }
            if (i + 1 < inputLength) {
                state.eom = static_cast<EOM_STATUS>(EOM_EARLY_4E + eom);
                state.stoppedEarly = true;
                break;
            }
            state.eom = static_cast<EOM_STATUS>(EOM_LAST_4E + eom);
            continue;
        }
        if (b == kNoOp) {
            if (fieldMark && i - markFirst <= 1) {
                emit(kFieldMark);
            }
            state.shift = false;
            continue;
        }
        if (state.shift) {
            state.shift = false;
            const std::uint8_t x = m_pExtendedQFEToClient[b];
            if (x == kCompactionMarker) {
                state.compaction = true;
            } else if (x != 0x00) {
                emit(x);
            }
            continue;
        }
        const std::uint8_t c = m_pQFEToClient[b];
        if (c != 0x00) {
            emit(c);
        }
    }
    return n;
}

namespace {
CQorTran::SEGMENT_SPAN_STATUS SpanOut(bool shift, bool compaction) {
    if (shift) {
        return CQorTran::SPAN_AFTER_SHIFT;
    }
    return compaction ? CQorTran::SPAN_AFTER_COMPACTION : CQorTran::SPAN_NONE;
}
}  // namespace

CQorTran::RESULTCODE CQorTran::CalcQFEToClientResultLength(
    const std::uint8_t* input, std::uint32_t inputLength, std::uint32_t* outputLength,
    EOM_STATUS& eomStatus, SEGMENT_SPAN_STATUS& spanStatus, std::uint32_t beginOffset,
    int headerFlag, int fieldMarkFlag, std::uint32_t xlateLength, int keepEomFlag) const {
    eomStatus = EOM_NOT_FOUND;
    if (outputLength == nullptr) {
        return QORTRAN_NULL_OUTPUT_MESSAGE_LENGTH;
    }
    *outputLength = 0;
    const RESULTCODE checked =
        CheckQFEToClient(input, inputLength, beginOffset, headerFlag, xlateLength);
    if (checked != QORTRAN_SUCCESS) {
        return checked;
    }
    if (m_pQFEToClient == nullptr || m_pExtendedQFEToClient == nullptr) {
        return QORTRAN_TABLES_NOT_DEFINED;
    }
    ScanState state;
    state.shift = spanStatus == SPAN_AFTER_SHIFT;
    state.compaction = spanStatus == SPAN_AFTER_COMPACTION;
    const bool header = headerFlag == 1;
    const std::uint64_t count =
        ScanQFE<false>(input, inputLength, beginOffset, header, fieldMarkFlag == 1,
                       keepEomFlag == 1, state, nullptr) +
        (header ? kHeaderLength : 0);
    eomStatus = state.eom;
    if (count > kMaxOutput) {
        return QORTRAN_ALLOCATION_FAILED;  // more than any output buffer can hold
    }
    *outputLength = static_cast<std::uint32_t>(count);
    if (state.stoppedEarly) {
        return QORTRAN_OUTPUT_TRUNCATED;
    }
    return *outputLength == 0 ? QORTRAN_EMPTY_STRING : QORTRAN_SUCCESS;
}

CQorTran::RESULTCODE CQorTran::QFEToClient(const std::uint8_t* input, std::uint32_t inputLength,
                                           std::uint8_t** output, std::uint32_t* outputLength,
                                           EOM_STATUS& eomStatus, SEGMENT_SPAN_STATUS& spanStatus,
                                           std::uint32_t beginOffset, int headerFlag,
                                           int fieldMarkFlag, std::uint32_t xlateLength,
                                           int keepEomFlag) const {
    ReleaseOutput(output, outputLength);
    eomStatus = EOM_NOT_FOUND;
    if (const RESULTCODE rc = CheckArguments(input, inputLength, output, outputLength);
        rc != QORTRAN_SUCCESS) {
        return rc;
    }
    std::uint32_t count = 0;
    const RESULTCODE counted =
        CalcQFEToClientResultLength(input, inputLength, &count, eomStatus, spanStatus, beginOffset,
                                    headerFlag, fieldMarkFlag, xlateLength, keepEomFlag);
    if (counted != QORTRAN_SUCCESS && counted != QORTRAN_OUTPUT_TRUNCATED &&
        counted != QORTRAN_EMPTY_STRING) {
        eomStatus = EOM_NOT_FOUND;
        return counted;
    }
    ScanState state;
    state.shift = spanStatus == SPAN_AFTER_SHIFT;
    state.compaction = spanStatus == SPAN_AFTER_COMPACTION;
    const bool header = headerFlag == 1;
    if (count == 0) {
        // Nothing to hand out, but a shift or a compaction marker at the end of this
        // segment still belongs to the next one.
        ScanQFE<false>(input, inputLength, beginOffset, header, fieldMarkFlag == 1,
                       keepEomFlag == 1, state, nullptr);
        spanStatus = SpanOut(state.shift, state.compaction);
        return QORTRAN_EMPTY_STRING;
    }
    auto* out = static_cast<std::uint8_t*>(UTKTools::detail::HeapAllocZeroed(count + 1));
    if (out == nullptr) {
        eomStatus = EOM_NOT_FOUND;
        return QORTRAN_ALLOCATION_FAILED;
    }
    std::uint32_t n = 0;
    if (header) {
        std::memcpy(out, input, kHeaderLength);
        n = kHeaderLength;
    }
    n += static_cast<std::uint32_t>(ScanQFE<true>(input, inputLength, beginOffset, header,
                                                  fieldMarkFlag == 1, keepEomFlag == 1, state,
                                                  out + n));
    out[n] = 0;
    eomStatus = state.eom;
    spanStatus = SpanOut(state.shift, state.compaction);
    *output = out;
    *outputLength = n;
    return state.stoppedEarly ? QORTRAN_OUTPUT_TRUNCATED : QORTRAN_SUCCESS;
}

void CQorTran::DeallocateLastMessage(std::uint8_t** output) {
    if (output != nullptr && *output != nullptr) {
        UTKTools::detail::HeapFree(*output);
        *output = nullptr;
    }
}

const char* CQorTran::GetResultCodeText(RESULTCODE code) {
    if (code < QORTRAN_SUCCESS || code > QORTRAN_REQUIRED_ARG_IS_NULL) {
        return "ResultCode out of range! Define a matching string in "
               "QorTran::sm_ResultCodeStrings!";
    }
    return sm_ResultCodeStrings[code];
}

const char* CQorTran::GetVersion() {
    return "1.0.2.14";
}

}  // namespace QorTranNS
