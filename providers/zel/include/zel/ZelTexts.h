// The ZEL provider's string table: its name texts, the texts of its result codes, the texts
// of socket errors and the messages of its configuration dialogs.
#pragma once

#include <cstdint>
#include <string>

#include "brxprovider/BRXConn_.h"
#include "platform/StringTable.h"

namespace zel {

enum : std::uint32_t {
    IDS_SOCKETS_FAILED = 101,
    IDS_NAME = 110,
    IDS_VERSION = 111,
    IDS_REVISION = 112,
    IDS_PROTOCOL = 113,
    IDS_LNIATA_LENGTH = 200,
    IDS_LINE_INVALID = 201,
    IDS_INTERCHANGE_INVALID = 202,
    IDS_TERMINAL_INVALID = 203,
    IDS_ADDRESS_FORMAT = 204,
    IDS_SVC_ZERO = 206,
    // A result code's text is at 1000 + its number above 1000 (success at 1000); a socket
    // error's text at its own number (10035 ...).
    IDS_RESULT_BASE = 1000,
};

const platform::StringTable& ZelStrings();
// The text of an id, empty when the table has none.
std::string ZelText(std::uint32_t id);
// The text of a result code: "Unknown error" for a code without one.
std::string ResultText(BRXError code);
// The text of a socket error, or nullptr when the table has none (the caller then keeps the
// text it had).
const char* SocketErrorText(int code);

}  // namespace zel
