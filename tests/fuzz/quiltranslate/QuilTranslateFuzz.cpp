// Both character translations, and host session-error handling, over arbitrary text. The
// host-to-client state carries over between the messages of one input, as within a session.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "quil/SessionError.h"
#include "quil/Translation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool shift = (data[0] & 1) != 0;
    std::span<const std::uint8_t> rest(data + 1, size - 1);

    std::vector<std::uint8_t> client(rest.begin(), rest.end());
    const std::size_t n = quil::ClientToHost(client, shift);
    if (n != client.size() || n > 2 * rest.size() + 1) __builtin_trap();

    // Messages separated by 0xFF bytes go through one translator in turn.
    quil::HostToClientTranslator translator;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || rest[i] == 0xFF) {
            const auto out = translator.Translate(rest.subspan(start, i - start));
            if (i > start && (out.empty() || out.back() != 0)) __builtin_trap();
            start = i + 1;
        }
    }

    std::vector<std::uint8_t> message(rest.begin(), rest.end());
    quil::CSessionHeader header;
    header.SetKind(data[0] >> 4);
    bool disconnected = false;
    std::array<std::uint8_t, 60> options{};
    std::size_t optionBytes = 60;
    int lastError = 0;
    std::string protocolText;
    quil::SessionErrorState state{message,     header,    disconnected, options,
                                  optionBytes, lastError, protocolText, {}};
    (void)quil::HandleSessionError(state, {});
    return 0;
}
