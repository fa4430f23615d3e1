// The desktop control payload a terminal registers with at each host, as Winmon gives it.
#pragma once

#include <string>

namespace quildrv {

// The whole payload text: asks with 500 bytes, then again with the size reported plus 12 while
// it does not fit, for a few rounds and never beyond 64 KiB. `sizes` records each size asked
// with (for the log).
std::string DesktopPayloadText(std::string* sizes = nullptr);

}  // namespace quildrv
