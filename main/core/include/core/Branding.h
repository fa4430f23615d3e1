// Which product the program presents itself as. VEKACFG.ini, section "NAMETYPE", key
// "VEKANAME" (compared exactly) selects a set of four texts in the program's string table;
// the application, its configuration wizard and the host link all read it through here.
#pragma once

#include <cstdint>

namespace core {

enum class BrandText : std::uint32_t {
    Title = 0,
    TrayTip = 1,
    ProductName = 2,
    PropertiesCaption = 3,
};

// The branding's first string id: 1200 for "Trevo Print", 1250 for "Trevo Veka", 0 for none.
std::uint32_t BrandingBaseId();

// The string id of a branded text. Without branding: the plain product texts (103 tray tip,
// 104 product name, 105 properties caption); 0 for the title, which then stays as it is.
std::uint32_t BrandStringId(BrandText text);

}  // namespace core
