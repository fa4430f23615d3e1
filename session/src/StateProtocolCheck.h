// The check every family state makes before it fills itself from a configuration.
#pragma once

#include "session/SessionConfigBase.h"

namespace SessionNS::detail {

// CArgumentException 1019 "<state>::ConfirmStateProtocol: State type does not match ..."
// unless the configuration is of `expected`.
void ConfirmStateProtocol(const char* stateClass, const char* configClass,
                          CSerializable::EProtocol expected, CSessionConfigBase& config);

}  // namespace SessionNS::detail
