// A QUIL2SP session's reading of the Session library's responses: arbitrary responses (any
// length, any bytes) in a row, each read as ReceiveMsg reads one, the messages collected as
// the provider object would.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "quil2sp/Session.h"

namespace {

class Owner final : public quilsp::ISessionOwner {
public:
    void OnConnect(int) override {}
    void OnReceive(int, quilsp::CSession*) override {}
    void OnSend(int) override {}
    void OnDisconnect(int, quilsp::CSession*) override {}
    void OnResource(const std::string&, int) override {}
    bool SegmentOverride() const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the device kind and the translation; then each response is a
    // length byte and that many bytes (fewer at the end).
    Owner owner;
    quilsp::CSession session(&owner, quilsp::CPoolKey("1A2B01", "127.0.0.1"), true);
    if (data[0] & 0x01) (void)session.SetServiceProviderOption(3, "PRINTER");
    if (data[0] & 0x02) (void)session.SetOption(2, "FALSE");
    if (data[0] & 0x04) (void)session.SetServiceProviderOption(4, "TRUE");
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    while (!rest.empty()) {
        const std::size_t n = std::min<std::size_t>(rest[0], rest.size() - 1);
        std::vector<std::uint8_t> message;
        (void)session.TakeResponse(rest.subspan(1, n), message);
        rest = rest.subspan(1 + n);
    }
    return 0;
}
