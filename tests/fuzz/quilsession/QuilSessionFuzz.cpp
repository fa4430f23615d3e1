// A session's receive path: an arbitrary byte stream, cut into pieces of varying size, fed to
// a session as its connection would; every message it raises is collected as a creator would.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/EventLoop.h"
#include "quilsp/Session.h"

namespace {

class Owner : public quilsp::ISessionOwner {
public:
    void OnConnect(int) override {}
    void OnReceive(int, quilsp::CSession* session) override {
        std::vector<std::uint8_t> message;
        if (session != nullptr) (void)session->ReceiveMsg(message);
    }
    void OnSend(int) override {}
    void OnDisconnect(int, quilsp::CSession*) override {}
    void OnResource(const std::string&, int) override {}
    bool SegmentOverride() const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::EventLoop loop;  // the session's timers need one on this thread
    if (size < 2) return 0;
    // The first byte chooses the piece size and the device kind, the second the pooling kind.
    const std::size_t piece = static_cast<std::size_t>(data[0] % 29) + 1;
    Owner owner;
    quilsp::CSession session(&owner, quilsp::CPoolKey("1A2B01", "127.0.0.1"), true);
    session.SetTerminalAddress("1A2B01", data[1] % 3);
    if (data[0] & 0x80) (void)session.SetServiceProviderOption(3, "PRINTER");
    if (data[0] & 0x40) (void)session.SetOption(2, "FALSE");
    std::span<const std::uint8_t> stream(data + 2, size - 2);
    while (!stream.empty()) {
        const std::size_t n = piece < stream.size() ? piece : stream.size();
        session.FeedReceived(stream.first(n));
        stream = stream.subspan(n);
    }
    return 0;
}
