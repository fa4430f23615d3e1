// The provider code (BRXError) that completes a connect for the Session library's result
// (COMMError) of it.
#pragma once

namespace QUIL2SessionNS {

int MapConnectResult(int commError) noexcept;

}  // namespace QUIL2SessionNS
