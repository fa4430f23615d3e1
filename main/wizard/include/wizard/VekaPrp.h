// The configuration sheet that the main view's properties command opens: the device list
// and the general settings page, as tabs. The caller passes the caption's string id by the
// branding (105, 1203 or 1253); the general page's title follows the branding too.
#pragma once

#include <cstdint>
#include <string>

#include "uikit/PropertySheet.h"
#include "wizard/VekaPrpDevices.h"
#include "wizard/VekaPrpVeka.h"

namespace wizard {

class CVekaPrp : public uikit::CPropertySheet {
public:
    CVekaPrp(std::uint32_t captionId, int startPage, std::string instanceId = {},
             CVekaPrpDevices::ScnDialogRunner scn = {});

    // The branded caption's string id: 1203, 1253, or 105 without branding.
    static std::uint32_t CaptionId();

    CVekaPrpDevices& GetDevicesPage() noexcept { return m_Devices; }
    CVekaPrpVeka& GetVekaPage() noexcept { return m_Veka; }

private:
    CVekaPrpDevices m_Devices;
    CVekaPrpVeka m_Veka;
};

}  // namespace wizard
