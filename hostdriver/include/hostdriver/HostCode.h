// Host code and client text through the driver's one translator over the four standard code
// tables.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/QorTran.h"

namespace quildrv {

const QorTranNS::CQorTran& Translator();

// Host code to client text; nothing when the translation fails (a truncated output counts
// as done).
std::optional<std::string> ToClientText(std::span<const std::uint8_t> hostCode);
// Client text to host code, without an end-of-message byte; nothing when it fails.
std::optional<std::vector<std::uint8_t>> ToHostCode(std::string_view text);

}  // namespace quildrv
