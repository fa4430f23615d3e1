// The desktop control payload a terminal registers with at each host: a text that fills the
// buffer (zero-terminated, at most `size` bytes) and answers the size the whole text needs.
// The built-in source gives the computer's host name; tests swap in their own.
#pragma once

#include <string>

namespace quildrv {

using DesktopPayloadSource = unsigned (*)(char* buffer, unsigned size);
// Null restores the built-in source.
void SetDesktopPayloadSource(DesktopPayloadSource source);
unsigned GetDesktopControlPayload(char* buffer, unsigned size);

// The whole payload text: asks with 500 bytes, then again with the size reported plus 12 while
// it does not fit, for a few rounds and never beyond 64 KiB. `sizes` records each size asked
// with (for the log).
std::string DesktopPayloadText(std::string* sizes = nullptr);

}  // namespace quildrv
