// The transport's trace: each provider that builds the transport defines this function once
// (the ARLO build writes its route trace, the ZEL build its Notify log). Levels: 0 info,
// 1 warning, 2 error.
#pragma once

namespace brxbt {

void TransportTrace(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace brxbt
