// The module's exports over one process-wide relay, made when the module is loaded and
// stopped (every thread joined) when it is unloaded.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "StatusRelay.h"
#include "platform/Export.h"
#include "platform/SocketAddress.h"

namespace {

statusrelay::StatusRelay g_relay;

// All local addresses on port 2373, unless the environment names others. Nothing, with the
// reason printed, for a value that is no address or port.
std::optional<platform::SocketAddress> ListenAddress() {
    platform::SocketAddress out = platform::SocketAddress::Any(kRelayDefaultPort);
    if (const char* text = std::getenv(kRelayAddressVariable); text != nullptr) {
        const auto ip = platform::InetAddr(text);
        if (!ip) {
            std::printf("Invalid listen address %s\n", text);
            return std::nullopt;
        }
        out.ip = *ip;
    }
    if (const char* text = std::getenv(kRelayPortVariable); text != nullptr) {
        char* end = nullptr;
        const unsigned long port = std::strtoul(text, &end, 10);
        if (*text == '\0' || *end != '\0' || port > 0xFFFF) {
            std::printf("Invalid listen port %s\n", text);
            return std::nullopt;
        }
        out.port = static_cast<std::uint16_t>(port);
    }
    return out;
}

}  // namespace

extern "C" {

TREVO_EXPORT int SetCallbackInterface(platform::HWND window) {
    g_relay.SetCallbackWindow(window);
    return 1;
}

TREVO_EXPORT int BeginListening() {
    try {
        const auto address = ListenAddress();
        std::fflush(stdout);
        return g_relay.Begin(address) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

TREVO_EXPORT int SendDeviceStatus(DEVICESTATUS status) {
    try {
        return g_relay.QueueStatus(status) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

TREVO_EXPORT int SendDeviceIconStatus(ICONSTATUS icon) {
    try {
        return g_relay.QueueIcon(icon) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

TREVO_EXPORT void SendEbcdicData() {}
TREVO_EXPORT void SendAsciiData() {}

}  // extern "C"
