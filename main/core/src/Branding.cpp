#include "core/Branding.h"

#include <cstring>

#include "platform/Profile.h"

namespace core {

std::uint32_t BrandingBaseId() {
    char name[200] = "";
    static_cast<void>(platform::GetPrivateProfileString("NAMETYPE", "VEKANAME", "NOTFOUND", name,
                                                        sizeof name, "VEKACFG.ini"));
    if (std::strcmp(name, "Trevo Print") == 0) return 1200;
    if (std::strcmp(name, "Trevo Veka") == 0) return 1250;
    return 0;
}

std::uint32_t BrandStringId(BrandText text) {
    const auto slot = static_cast<std::uint32_t>(text);
    if (const std::uint32_t base = BrandingBaseId()) return base + slot;
    return text == BrandText::Title ? 0 : 102 + slot;
}

}  // namespace core
