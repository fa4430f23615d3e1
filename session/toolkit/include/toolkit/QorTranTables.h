// The two sets of client/QFE translation tables that the session layer hands to its
// translators: one for ASCII client text and one for ANSI client text, which differs from
// the ASCII set in four entries. In the base tables 0x5D means "shift: take the extended
// table"; an entry of 0x00 produces nothing.
#pragma once

#include <cstdint>

#include "toolkit/ToolkitApi.h"

namespace QorTranNS {

UTK_API extern const std::uint8_t (&kAsciiClientToQFE)[256];
UTK_API extern const std::uint8_t (&kAsciiClientToExtendedQFE)[256];
UTK_API extern const std::uint8_t (&kAsciiQFEToClient)[256];
UTK_API extern const std::uint8_t (&kAsciiExtendedQFEToClient)[256];

UTK_API extern const std::uint8_t (&kAnsiClientToQFE)[256];
UTK_API extern const std::uint8_t (&kAnsiClientToExtendedQFE)[256];
UTK_API extern const std::uint8_t (&kAnsiQFEToClient)[256];
UTK_API extern const std::uint8_t (&kAnsiExtendedQFEToClient)[256];

}  // namespace QorTranNS
