#include "hostdriver/HostCode.h"

#include "toolkit/QorTranTables.h"

namespace quildrv {

using QorTranNS::CQorTran;

const CQorTran& Translator() {
    static const CQorTran translator(
        QorTranNS::kAsciiClientToQFE, QorTranNS::kAsciiClientToExtendedQFE,
        QorTranNS::kAsciiQFEToClient, QorTranNS::kAsciiExtendedQFEToClient);
    return translator;
}

namespace {

bool Done(CQorTran::RESULTCODE rc) {
    return rc == CQorTran::QORTRAN_SUCCESS || rc == CQorTran::QORTRAN_OUTPUT_TRUNCATED;
}

}  // namespace

std::optional<std::string> ToClientText(std::span<const std::uint8_t> hostCode) {
    if (hostCode.empty()) return std::string();
    std::uint8_t* text = nullptr;
    std::uint32_t length = 0;
    auto eom = CQorTran::EOM_NOT_FOUND;
    auto span = CQorTran::SPAN_NONE;
    const auto size = static_cast<std::uint32_t>(hostCode.size());
    const auto rc = Translator().QFEToClient(hostCode.data(), size, &text, &length, eom, span, 0, 0,
                                             0, size, 0);
    std::optional<std::string> out;
    if (Done(rc) && text != nullptr) out.emplace(reinterpret_cast<const char*>(text), length);
    CQorTran::DeallocateLastMessage(&text);
    if (out)
        while (!out->empty() && out->back() == '\0') out->pop_back();
    return out;
}

std::optional<std::vector<std::uint8_t>> ToHostCode(std::string_view text) {
    if (text.empty()) return std::vector<std::uint8_t>();
    std::uint8_t* code = nullptr;
    std::uint32_t length = 0;
    const auto size = static_cast<std::uint32_t>(text.size());
    const auto rc = Translator().ClientToQFE(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             size, &code, &length, 0, CQorTran::EOM_NONE, size);
    std::optional<std::vector<std::uint8_t>> out;
    if (Done(rc) && code != nullptr) out.emplace(code, code + length);
    CQorTran::DeallocateLastMessage(&code);
    return out;
}

}  // namespace quildrv
