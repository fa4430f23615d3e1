// Feeds one input to every reader of a serialised session record (the three families'
// configurations and states) and to the parse of a driver's session information text.
// A record that reads is written again; a value its width cannot state may be refused.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SessionInfo.h"
#include "session/ARLOSessionConfig.h"
#include "session/ARLOSessionState.h"
#include "session/Exceptions.h"
#include "session/QUILSessionConfig.h"
#include "session/QUILSessionState.h"
#include "session/ZELSessionConfig.h"
#include "session/ZELSessionState.h"

namespace {

template <typename T>
void Read(const SessionNS::CStream& input) {
    SessionNS::CStream record(input);
    try {
        T object(record);
        SessionNS::CStream written = object.Serialize();
        T again(written);
    } catch (const SessionNS::CExceptionBase&) {
        // a refused record or value
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SessionNS::CStream input(data, size);
    Read<SessionNS::CQUILSessionConfig>(input);
    Read<SessionNS::CARLOSessionConfig>(input);
    Read<SessionNS::CZELSessionConfig>(input);
    Read<SessionNS::CQUILSessionState>(input);
    Read<SessionNS::CARLOSessionState>(input);
    Read<SessionNS::CZELSessionState>(input);
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)SessionNS::detail::ParseSessionInfo(text.c_str());
    return 0;
}
