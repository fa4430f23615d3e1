#include "hostdriver/FrontEnd.h"
#include "hostdriver/PrinterMFE.h"
#include "hostdriver/TerminalMFE.h"

namespace quildrv {

void AddBuiltInFrontEnds(std::map<std::string, FrontEndMaker>& makers) {
    makers["TERMINAL"] = [] { return new CTerminalMFE; };
    makers["PRINTER"] = [] { return new CPrinterMFE; };
}

}  // namespace quildrv
