// The print settings a page may ask the operator for, as models with hooks of the host
// program (like those of Dialog.h): the page setup (orientation and four margins) and the
// families of the fonts the machine has. Without a hook the page setup changes nothing and
// no fonts are listed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace uikit {

inline constexpr std::uint32_t DMORIENT_PORTRAIT = 1;
inline constexpr std::uint32_t DMORIENT_LANDSCAPE = 2;

// Margins in the page setup's units for the locale: thousandths of an inch, or hundredths
// of a millimetre where the locale measures in metric. Passed through unchanged.
struct PageSetup {
    std::uint32_t orientation = DMORIENT_PORTRAIT;
    std::uint32_t marginLeft = 0;
    std::uint32_t marginTop = 0;
    std::uint32_t marginRight = 0;
    std::uint32_t marginBottom = 0;

    bool operator==(const PageSetup&) const = default;
};

// Shows the page setup with `setup` and leaves in it what the dialog holds when it closes,
// confirmed or cancelled (a cancelled one holds what it was given).
using PageSetupRunner = std::function<void(PageSetup& setup)>;
// The font families, in the order the machine lists them.
using FontLister = std::function<std::vector<std::string>()>;

void SetPageSetupRunner(PageSetupRunner runner);
void SetFontLister(FontLister lister);

void RunPageSetup(PageSetup& setup);
std::vector<std::string> FontFamilies();

}  // namespace uikit
