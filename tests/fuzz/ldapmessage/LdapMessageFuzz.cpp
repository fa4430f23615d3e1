// Directory protocol bytes as the directory client (and the test directory) frame and decode
// them: the message length first, then each whole message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "hostdriver/LdapCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quildrv;
    std::span<const std::uint8_t> rest(data, size);
    for (int i = 0; i < 64 && !rest.empty(); ++i) {
        const auto length = ldap::MessageLength(rest);
        if (!length || *length == 0) break;
        if (*length > ldap::kMaxMessage + 6) std::abort();
        if (*length > rest.size()) break;
        if (auto message = ldap::Decode(rest.first(*length))) {
            // What decodes encodes again to something that decodes the same way.
            if (message->op == ldap::kSearchResultEntry) {
                const auto again = ldap::Decode(ldap::EncodeEntry(message->id, message->entry));
                if (!again || again->entry.attributes.size() != message->entry.attributes.size())
                    std::abort();
            }
        }
        rest = rest.subspan(*length);
    }
    (void)ldap::Decode(std::span<const std::uint8_t>(data, size));
    return 0;
}
