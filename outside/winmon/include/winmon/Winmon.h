// Winmon, the desktop control service: the payload a terminal registers with at each host. The
// call fills the buffer with the text (zero-terminated, at most `size` bytes, cut when it does
// not fit) and answers the size the whole text needs, terminator included. Our stand-in gives
// the computer's host name; tests swap in a source of their own.
#pragma once

namespace winmon {

using DesktopPayloadSource = unsigned (*)(char* buffer, unsigned size);
// Null restores the built-in source.
void SetDesktopPayloadSource(DesktopPayloadSource source);
unsigned GetDesktopControlPayload(char* buffer, unsigned size);

}  // namespace winmon
