// The driver's setup: one route's settings read through a configuration interface, edited in
// the setup sheet (General, Network, Debug) and written back, all of them again after a
// "REMOVEALL", with the port the device type and pooling call for.
#pragma once

#include <string>

#include "session/DriverAbi.h"

namespace quildrv {

struct SetupSettings {
    std::string lniata;
    std::string port;
    std::string maxLogFileSize;
    std::string loggingThreshold;
    std::string logFile;
    std::string socketLoggingThreshold;
    std::string debug;
    std::string endToEndLogging;
    std::string defaultHost;
    std::string segmentOverride;
    std::string keepAlive;
    std::string devType;
    std::string poolType;
    std::string basePcc;
    std::string branchPcc;
    std::string poolName;
    std::string keyName;
    std::string cityCode;
    std::string partition;
    // Set by a page whose input was refused.
    bool generalInvalid = false;
    bool networkInvalid = false;
    bool debugInvalid = false;

    bool AnyInvalid() const { return generalInvalid || networkInvalid || debugInvalid; }
};

// The route's settings, with the defaults for empty ones.
SetupSettings ReadSetupSettings(CApiBaseInterface& config);
// "REMOVEALL", "PROTOCOL" "QUIL", the settings, and PORT last.
void WriteSetupSettings(CApiBaseInterface& config, const SetupSettings& settings);

// The export's body: -1 for an unreadable interface, 0 when the sheet is cancelled, else the
// sheet's result (written back unless a page refused its input).
int ConfigureDriverWith(CApiBaseInterface* config);

}  // namespace quildrv
