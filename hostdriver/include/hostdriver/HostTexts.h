// The texts the front ends keep in the session's data: OTHERHOSTS (one entry per other host,
// "host/STATE=n/LID=xxxxxxxx/RID=xxxxxx;") and PTRURLLIST (host names, each followed by ";"),
// and the hexadecimal forms of terminal addresses (RID, 3 bytes) and LIDs (4 bytes).
//
// Every search matches a whole entry: the name stands at the start of the list or right after
// a ";", and is followed by "/" or ";" (or the end), so "HOST1" never touches "HOST10". Names
// compare without regard to case.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quildrv {

using Rid = std::array<std::uint8_t, 3>;
using Lid = std::array<std::uint8_t, 4>;  // network byte order

std::string RidText(const Rid& rid);
std::string LidText(const Lid& lid);
// Two hexadecimal digits per byte; nothing for a text too short or with another character.
std::optional<Rid> RidFromText(std::string_view text);
std::optional<Lid> LidFromText(std::string_view text);
// The LID as a number, its first byte highest.
std::uint32_t LidNumber(const Lid& lid);

// The offset of the host's whole entry in a list of ";"-ended entries, or npos.
std::size_t FindEntry(std::string_view list, std::string_view host);
// The host's whole entry (up to and including its ";", or to the end), or empty.
std::string_view EntryOf(std::string_view list, std::string_view host);
// The value after "KEY=" in an entry, up to the next "/" or ";"; nothing when absent.
std::optional<std::string> EntryField(std::string_view entry, std::string_view key);
// The list without the host's entries.
std::string RemoveEntry(std::string_view list, std::string_view host);
// The list without the host's entries and with `entry` at its end.
std::string ReplaceEntry(std::string_view list, std::string_view host, std::string_view entry);
// The host names of the entries in order (the text before the first "/" of each).
std::vector<std::string> EntryHosts(std::string_view list);

// "%s/STATE=%d/LID=%s/RID=%s;"
std::string OtherHostEntry(std::string_view host, int state, const Lid& lid, const Rid& rid);

// PTRURLLIST: the name and ";" appended (after a ";" closing the last entry when it lacks
// one) unless the name is listed already, holds a ";" or "/", or the list would pass
// `limit` bytes; false when nothing was added.
bool AddListName(std::string& list, std::string_view name, std::size_t limit);
// Cuts the first name from the list; nothing when the list holds none.
std::optional<std::string> TakeFirstName(std::string& list);

}  // namespace quildrv
