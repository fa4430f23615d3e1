// Feeds arbitrary bytes through both directions of the character translator, with options
// taken from the first bytes, and checks what must hold for every input: the length
// functions agree with the translations, failures leave no buffer behind, outputs are
// NUL-terminated, and a message cut into two segments translates as the whole one does.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "toolkit/QorTran.h"
#include "toolkit/QorTranTables.h"

using QorTranNS::CQorTran;

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Out {
    std::uint8_t* bytes = nullptr;
    std::uint32_t length = 0;
    ~Out() { CQorTran::DeallocateLastMessage(&bytes); }
};

bool Delivered(CQorTran::RESULTCODE rc) {
    return rc == CQorTran::QORTRAN_SUCCESS || rc == CQorTran::QORTRAN_OUTPUT_TRUNCATED;
}

void ClientToQFE(const CQorTran& tran, const std::uint8_t* in, std::uint32_t size,
                 std::uint8_t options) {
    const auto terminator = static_cast<CQorTran::EOM_TERMINATOR>(options & 0x07);
    const std::uint32_t begin = size == 0 ? 0 : (options >> 3) % (size + 2);
    const std::uint32_t xlate = size == 0 ? 0 : (options >> 5) % (size + 2);
    Out out;
    const auto rc = tran.ClientToQFE(in, size, &out.bytes, &out.length, begin, terminator, xlate);
    if (rc != CQorTran::QORTRAN_SUCCESS) {
        Check(out.bytes == nullptr && out.length == 0);
        return;
    }
    std::uint32_t calculated = 0;
    Check(tran.CalcClientToQFEResultLength(in, size, &calculated, begin, terminator, xlate) ==
          CQorTran::QORTRAN_SUCCESS);
    Check(calculated == out.length && out.length > 0);
}

void QFEToClient(const CQorTran& tran, const std::uint8_t* in, std::uint32_t size,
                 std::uint8_t options) {
    auto span = static_cast<CQorTran::SEGMENT_SPAN_STATUS>(options % 3);
    const int header = (options >> 2) & 1;
    const int fieldMark = (options >> 3) & 1;
    const int keepEom = (options >> 4) & 1;
    const std::uint32_t begin = size == 0 ? 0 : (options >> 5) % (size + 1);
    const auto spanIn = span;
    auto eom = CQorTran::EOM_NOT_FOUND;
    Out whole;
    const auto rc = tran.QFEToClient(in, size, &whole.bytes, &whole.length, eom, span, begin,
                                     header, fieldMark, 0, keepEom);
    if (!Delivered(rc)) {
        Check(whole.bytes == nullptr && whole.length == 0);
        return;
    }
    Check(whole.bytes[whole.length] == 0);
    std::uint32_t calculated = 0;
    auto calcEom = CQorTran::EOM_NOT_FOUND;
    auto calcSpan = spanIn;
    Check(tran.CalcQFEToClientResultLength(in, size, &calculated, calcEom, calcSpan, begin, header,
                                           fieldMark, 0, keepEom) == rc);
    Check(calculated == whole.length && calcEom == eom && calcSpan == spanIn);

    if (rc != CQorTran::QORTRAN_SUCCESS || header != 0 || fieldMark != 0 || begin != 0) {
        return;
    }
    // Cut the message in two and carry the span status across.
    const std::uint32_t cut = size / 2;
    if (cut == 0) {
        return;
    }
    std::vector<std::uint8_t> joined;
    auto segmentSpan = spanIn;
    Out part;
    const std::uint8_t* pieces[2] = {in, in + cut};
    const std::uint32_t sizes[2] = {cut, size - cut};
    for (int i = 0; i < 2; ++i) {
        const auto partRc = tran.QFEToClient(pieces[i], sizes[i], &part.bytes, &part.length, eom,
                                             segmentSpan, 0, 0, 0, 0, keepEom);
        Check(partRc == CQorTran::QORTRAN_SUCCESS || partRc == CQorTran::QORTRAN_EMPTY_STRING);
        if (part.bytes != nullptr) {
            joined.insert(joined.end(), part.bytes, part.bytes + part.length);
        }
    }
    Check(joined.size() == whole.length &&
          std::memcmp(joined.data(), whole.bytes, whole.length) == 0);
    Check(segmentSpan == span);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > 65536) {
        return 0;
    }
    using namespace QorTranNS;
    static const CQorTran ascii(kAsciiClientToQFE, kAsciiClientToExtendedQFE, kAsciiQFEToClient,
                                kAsciiExtendedQFEToClient);
    static const CQorTran ansi(kAnsiClientToQFE, kAnsiClientToExtendedQFE, kAnsiQFEToClient,
                               kAnsiExtendedQFEToClient);
    const CQorTran& tran = (data[0] & 1) != 0 ? ansi : ascii;
    const auto* in = data + 3;
    const auto length = static_cast<std::uint32_t>(size - 3);
    ClientToQFE(tran, in, length, data[1]);
    QFEToClient(tran, in, length, data[2]);
    return 0;
}
