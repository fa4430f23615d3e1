// Received records handed to a host session with a test front end: every session state and
// message type, corrupt options, both end-of-message strategies, with and without joining
// segments. Input: one byte of settings, then records, each after a one-byte length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "hostdriver/HostDrvInt.h"
#include "hostdriver/HostSession.h"
#include "support/DriverHarness.h"
#include "support/TestFrontEnd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    support::DriverHarness harness;
    harness.RecordLogLines(false);
    harness.SetRoute("LNIATA", "1A2B01");
    if (data[0] & 1) harness.SetRoute("EOMHandlerStrategy", "ALLOWEMBEDDED");
    quildrv::CHostDrvInt driver(&harness);
    support::TestFrontEnd frontEnd;
    (void)frontEnd.SetHostDrvInterface(&driver);
    (void)frontEnd.SetAccumulateMsg((data[0] & 2) != 0);
    quildrv::CHostSession session(&frontEnd);
    std::size_t pos = 1;
    while (pos < size) {
        const std::size_t length = data[pos++];
        const std::size_t n = length < size - pos ? length : size - pos;
        session.OnHostData(data + pos, static_cast<std::uint32_t>(n));
        pos += n;
        unsigned char* message = nullptr;
        unsigned int messageLength = 0;
        while (frontEnd.RecvFromHost(&message, &messageLength) == 0) std::free(message);
    }
    QUILOptionsState state;
    (void)session.GetElementState(0, &state);
    return 0;
}
