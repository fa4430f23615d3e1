#include "StateProtocolCheck.h"

#include "session/Exceptions.h"

namespace SessionNS::detail {

void ConfirmStateProtocol(const char* stateClass, const char* configClass,
                          CSerializable::EProtocol expected, CSessionConfigBase& config) {
    const CSerializable::EProtocol actual = config.GetProtocol();
    if (actual == expected) {
        return;
    }
    const char* found = "an unrecognized protocol type";
    switch (actual) {
        case CSerializable::QUIL:
            found = "CQUILSessionConfig";
            break;
        case CSerializable::ARLO:
            found = "CARLOSessionConfig";
            break;
        case CSerializable::ZEL:
            found = "CZELSessionConfig";
            break;
    }
    throw CArgumentException(COMM_ERR_BADINPUT,
                             "%s::ConfirmStateProtocol: State type does not match Config protocol "
                             "type. Config expected to be of type %s but was %s",
                             stateClass, configClass, found);
}

}  // namespace SessionNS::detail
