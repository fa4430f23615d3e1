// The binary transport in binary mode fed arbitrary inbound packets (segments, stray
// acknowledgements, text), each also judged as an acknowledgement.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "brxbt/BRXBT.h"
#include "brxbt/TransportLog.h"

void brxbt::TransportTrace(int, const char*, ...) {}

namespace {

class Provider final : public brxbt::ISocketProvider {
public:
    std::deque<std::vector<std::uint8_t>> inbound;
    std::vector<std::uint8_t> handed;
    std::size_t sent = 0;

    BRXError Connect(const char*, const char*) override { return BRX_WAITING; }
    BRXError Disconnect() override { return BRX_NO_CONNECT; }
    BRXError Send(int length, const char*) override {
        if (length != 11) __builtin_trap();  // the receiver sends acknowledgements only
        ++sent;
        return 0;
    }
    BRXError Send(CMessage&) override { return 0; }
    BRXError Send(std::string&) override { return 0; }
    BRXError ReceiveMsg(char** data, int* length) override {
        if (inbound.empty()) return BRX_NO_DATA;
        handed = std::move(inbound.front());
        inbound.pop_front();
        *data = reinterpret_cast<char*>(handed.data());
        *length = static_cast<int>(handed.size());
        return 0;
    }
    BRXError Receive(CMessage&) override { return BRX_NO_DATA; }
    BRXError Receive(std::string&) override { return BRX_NO_DATA; }
    BRXError SetOption(int, const char*) override { return 0; }
    BRXError GetOption(int, char*) override { return 0; }
    BRXError GetServiceProviderOption(int, char*) override { return 0; }
    int SetServiceProviderOption(int, const char*) override { return 0; }
    int Status() override { return 2; }
    BRXError LastError() override { return 0; }
    void LastErrorMessage(std::string& t) override { t.clear(); }
    int ProtocolLastError() override { return 0; }
    void ProtocolLastErrorMessage(std::string& t) override { t.clear(); }
    const char* GetName() const override { return ""; }
    const char* GetVersion() const override { return ""; }
    const char* GetRevision() const override { return ""; }
    const char* GetProtocol() const override { return ""; }
    BRXError Lock() override { return 1008; }
    BRXError Unlock() override { return 1008; }
    BRXError ReleaseWaitingMessages() override { return 0; }
};

class Container final : public brxbt::ITransportContainer {
public:
    brxbt::BRXBT* transport = nullptr;
    void OnReceive(BRXError code) override {
        if (code != 0) return;
        char* data = nullptr;
        int length = 0;
        if (transport->Receive(&data, &length) == 0 && length < 0) __builtin_trap();
    }
    void OnSend(BRXError) override {}
    void OnConnect(BRXError) override {}
    void OnDisconnect(BRXError) override {}
    void OnLock(BRXError) override {}
    void OnResource(std::string, int) override {}
    void OnSystemAvailable(int) override {}
};

}  // namespace

// Packets: a length byte, then that many bytes (an 0xFF length takes the rest).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Container container;
    Provider* provider = nullptr;
    brxbt::BRXBT t(&container, [&](brxbt::ISocketOwner&) {
        auto p = std::make_unique<Provider>();
        provider = p.get();
        return p;
    });
    container.transport = &t;
    // No route: the window and time-out defaults are not written anywhere.
    (void)t.Connect("", "");
    t.OnConnect(0);
    char on[] = "true";
    (void)t.SetOption(4, on);
    std::size_t i = 0;
    for (int packets = 0; i < size && packets < 512; ++packets) {
        std::size_t n = data[i++];
        if (n == 0xFF || n > size - i) n = size - i;
        std::vector<std::uint8_t> packet(data + i, data + i + n);
        i += n;
        int verdict = 0;
        (void)t.ValidAck(packet.data(), static_cast<int>(packet.size()), verdict);
        const bool text = !packet.empty() && packet[0] != 0xFE && packet[0] != 0xFC;
        provider->inbound.push_back(std::move(packet));
        t.OnReceive(text ? brxbt::BT_TEXT_RECEIVED : 0);
        if (!t.BinaryMode()) (void)t.SetOption(4, on);
    }
    return 0;
}
