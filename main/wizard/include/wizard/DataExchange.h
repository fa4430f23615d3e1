// The pages' data exchange with their controls, and the checks the dialog framework makes
// on the way: a text longer than its field, a number outside its range. A failed check shows
// its message once and fails the exchange, so that the page stays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "uikit/Dialog.h"

namespace wizard {

// A drop-down list's text: its selected entry's, "" when none is selected.
std::string ListText(const uikit::IControlPanel& panel, int id);
// Selects the first entry that begins with `text` (the first entry for ""); none when no
// entry does.
void SelectListText(uikit::IControlPanel& panel, int id, const std::string& text);

// An edit's text, refused when longer than `maxChars`.
bool ExchangeText(uikit::IControlPanel& panel, int id, std::size_t maxChars, std::string& out);
// An edit's unsigned number, refused when it is no number or lies outside min to max.
bool ExchangeNumber(uikit::IControlPanel& panel, int id, std::uint32_t min, std::uint32_t max,
                    std::uint32_t& out);

// The value of a text's leading number (blanks, a sign, decimal digits and a fraction; no
// exponent, no hexadecimal, as the number stored from the same text has none); 0 when the
// text does not begin with one.
double LeadingNumber(const std::string& text);

// True when the text's leading number lies within min to max.
bool NumberInRange(const std::string& text, double min, double max);

// A stored number as the pages show it: in decimal.
std::string Decimal(std::uint32_t value);

}  // namespace wizard
