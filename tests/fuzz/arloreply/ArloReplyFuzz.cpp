// The load balancer's reply, fed in pieces whose sizes the input chooses.
#include <cstddef>
#include <cstdint>
#include <span>

#include "arlo/LBClient.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = (data[0] % 16) + 1;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    arlo::CLBClient client(arlo::CLBClient::Receiving);
    while (!rest.empty()) {
        const std::size_t n = client.Feed(rest.first(std::min(piece, rest.size())));
        if (n == 0) break;
        rest = rest.subspan(n);
    }
    if (client.IsComplete() && client.Verdict().grant.dnsName.empty()) __builtin_trap();
    if (client.IsComplete() && client.Failed()) __builtin_trap();
    (void)arlo::ParseReply(std::span<const std::uint8_t>(data, size));
    return 0;
}
