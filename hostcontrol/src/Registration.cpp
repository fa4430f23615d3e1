#include "hostcontrol/Registration.h"

#include <string>
#include <vector>

#include "hostcontrol/ControlIds.h"
#include "hostcontrol/DeviceErrors.h"
#include "platform/ComRegistry.h"

namespace hostcontrol {
namespace {

constexpr char kVersion[] = "1.0";

std::string Text(std::uint32_t id) {
    std::string text;
    static_cast<void>(ModuleStrings().Load(id, text));
    return text;
}

std::vector<platform::ClassRegistration> Classes(const std::filesystem::path& module) {
    platform::ClassRegistration terminal;
    terminal.classId = kTerminalClassId;
    terminal.progId = kTerminalProgId;
    terminal.typeName = Text(1);
    terminal.module = module;
    terminal.typeLibId = kTypeLibId;
    terminal.control = true;
    terminal.insertable = true;
    terminal.miscStatus = kTerminalMiscStatus;
    terminal.toolboxBitmap = 1;

    platform::ClassRegistration printer;
    printer.classId = kPrinterClassId;
    printer.progId = kPrinterProgId;
    printer.typeName = Text(3);
    printer.module = module;
    printer.typeLibId = kTypeLibId;
    printer.control = true;
    printer.miscStatus = kPrinterMiscStatus;
    printer.toolboxBitmap = 2;

    // The property pages stay entries of the store: the module makes no object of them.
    platform::ClassRegistration terminalPage;
    terminalPage.classId = kTerminalPropPageId;
    terminalPage.progId = kTerminalPropPageProgId;
    terminalPage.typeName = Text(2);
    terminalPage.module = module;

    platform::ClassRegistration printerPage;
    printerPage.classId = kPrinterPropPageId;
    printerPage.progId = kPrinterPropPageProgId;
    printerPage.typeName = Text(4);
    printerPage.module = module;

    return {terminal, printer, terminalPage, printerPage};
}

}  // namespace

platform::HRESULT RegisterModule(const std::filesystem::path& module) {
    platform::TypeLibRegistration library;
    library.libId = kTypeLibId;
    library.version = kVersion;
    library.locale = kTypeLibLocale;
    library.helpString = kTypeLibHelp;
    library.module = module;
    if (platform::FAILED(platform::RegisterComTypeLib(library))) return platform::SELFREG_E_TYPELIB;
    for (const platform::ClassRegistration& c : Classes(module)) {
        if (platform::FAILED(platform::RegisterComClass(c))) return platform::SELFREG_E_CLASS;
    }
    return platform::S_OK;
}

platform::HRESULT UnregisterModule() {
    if (platform::FAILED(platform::UnregisterComTypeLib(kTypeLibId, kVersion)))
        return platform::SELFREG_E_TYPELIB;
    for (const platform::ClassRegistration& c : Classes({})) {
        if (platform::FAILED(platform::UnregisterComClass(c.classId, c.progId)))
            return platform::SELFREG_E_CLASS;
    }
    return platform::S_OK;
}

}  // namespace hostcontrol
