// The alpha-2 country code of a passport's alpha-3 issuing country.
#pragma once

#include <cstddef>
#include <string>

namespace devices {

// The alpha-2 code of an alpha-3 code; a code not in the table comes back as it was.
std::string Alpha2ForAlpha3(const std::string& alpha3);
std::size_t CountryCodeCount();

}  // namespace devices
