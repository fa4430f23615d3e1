#include "wizard/VekaPrp.h"

#include "core/Branding.h"
#include "core/VekaStrings.h"

namespace wizard {

CVekaPrp::CVekaPrp(std::uint32_t captionId, int startPage, std::string instanceId,
                   CVekaPrpDevices::ScnDialogRunner scn)
    : uikit::CPropertySheet(core::LoadVekaString(captionId), startPage),
      m_Devices(std::move(instanceId), std::move(scn)) {
    AddPage(m_Devices);
    AddPage(m_Veka);
    // 1201 or 1251 by the branding, else 103.
    m_Veka.SetTitle(core::LoadVekaString(core::BrandStringId(core::BrandText::TrayTip)));
}

std::uint32_t CVekaPrp::CaptionId() {
    return core::BrandStringId(core::BrandText::PropertiesCaption);
}

}  // namespace wizard
