// The port library's loggers: one per source unit, all writing to "Lineserv.Log".
#pragma once

#include "logger/Logger.h"

namespace lineserv {

Logger& lineservLog();  // "Lineserv: "
Logger& commLog();      // "CommLineserv: "
Logger& lptLog();       // "LptLineserv: "
Logger& pdmLog();       // "PDM: "
Logger& kdLog();        // "KDLineserv: "

}  // namespace lineserv
