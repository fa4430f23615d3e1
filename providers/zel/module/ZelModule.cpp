// The ZELSP module: the binary transport of each connection, with the gateway's socket
// provider beneath it, under the common export layer; the provider's texts; the transport's
// log.
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "arlo/ArloDlg.h"
#include "brxbt/TransportLog.h"
#include "brxbt/TransportProvider.h"
#include "notify/Notify.h"
#include "platform/Export.h"
#include "zel/SpImp.h"
#include "zel/ZelDlg.h"
#include "zel/ZelTexts.h"

namespace brxprovider {

IProviderObject* CreateProviderObject(BRXConn_& owner) {
    return new (std::nothrow) brxbt::CTransportProvider(
        owner, [](brxbt::ISocketOwner& o) { return std::make_unique<zel::spimp>(o); }, false);
}

const ProviderTexts& ProviderDescription() {
    static const std::string version = zel::ZelText(zel::IDS_VERSION);
    static const std::string revision = zel::ZelText(zel::IDS_REVISION);
    static const std::string protocol = zel::ZelText(zel::IDS_PROTOCOL);
    static const std::string name = zel::ZelText(zel::IDS_NAME);
    static const ProviderTexts texts{version.c_str(), revision.c_str(), protocol.c_str(),
                                     name.c_str()};
    return texts;
}

}  // namespace brxprovider

// The transport's lines go to the provider's log.
void brxbt::TransportTrace(int level, const char* format, ...) {
    static Notify log("ZELSP");
    if (!log.Keeps(level)) return;
    char text[2048];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log.printLog(level, "%s", text);
}

// The route's configuration dialog, run through the host program's modal runner: IDOK when
// the route was written, IDCANCEL otherwise (always without a display).
extern "C" TREVO_EXPORT int SPConfig(const char* route, int) {
    try {
        zel::CZelDlg dialog(route != nullptr ? route : "", arlo::StoreWritable());
        return uikit::RunModal(dialog);
    } catch (...) {
        return uikit::IDCANCEL;
    }
}
