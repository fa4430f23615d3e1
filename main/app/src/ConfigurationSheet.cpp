#include "app/ConfigurationSheet.h"

#include "uikit/Dialog.h"
#include "wizard/VekaPrp.h"

namespace app {

int OpenConfigurationSheet(const std::string& instanceId) {
    wizard::CVekaPrp sheet(wizard::CVekaPrp::CaptionId(), 0, instanceId);
    return uikit::RunModal(sheet);
}

}  // namespace app
