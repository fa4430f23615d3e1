// The ARLO module: the binary transport of each connection, with the ARLO socket provider
// beneath it, under the common export layer; the provider's texts; its configuration entry.
#include <memory>
#include <new>
#include <string>

#include "arlo/ArloDlg.h"
#include "arlo/SPImp.h"
#include "brxbt/TransportProvider.h"
#include "platform/Export.h"

namespace brxprovider {

IProviderObject* CreateProviderObject(BRXConn_& owner) {
    return new (std::nothrow) brxbt::CTransportProvider(
        owner, [](brxbt::ISocketOwner& o) { return std::make_unique<arlo::SPimp>(o); }, true);
}

const ProviderTexts& ProviderDescription() {
    static const ProviderTexts texts{"1.0", "002", "TCP/IP Winsock", "Arlo Front End"};
    return texts;
}

}  // namespace brxprovider

// The route's configuration dialog, run through the host program's modal runner: IDOK when
// the route was written, IDCANCEL otherwise (always without a display).
extern "C" TREVO_EXPORT int SPConfig(const char* route, int) {
    try {
        arlo::CArloDlg dialog(route != nullptr ? route : "", arlo::StoreWritable());
        return uikit::RunModal(dialog);
    } catch (...) {
        return uikit::IDCANCEL;
    }
}
