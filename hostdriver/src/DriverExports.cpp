// The exports of the driver module. Nothing thrown inside leaves them.
#include "hostdriver/DriverRuntime.h"
#include "hostdriver/DriverSetup.h"
#include "hostdriver/HostDrvInt.h"
#include "session/DriverAbi.h"

DRIVER_EXPORT int DLLInit() {
    try {
        return quildrv::DriverStartup();
    } catch (...) {
        return 0;
    }
}

DRIVER_EXPORT int DLLTerminate() {
    try {
        return quildrv::DriverShutdown();
    } catch (...) {
        return 0;
    }
}

DRIVER_EXPORT CHostDrvInterface* CreateHostDrvInterface(CApiBaseInterface* callback) {
    try {
        return new quildrv::CHostDrvInt(callback);
    } catch (...) {
        return nullptr;
    }
}

DRIVER_EXPORT void DeleteHostDrvInterface(CHostDrvInterface* driver) {
    try {
        delete driver;
    } catch (...) {
    }
}

// The route's setup sheet, with the caller's configuration interface.
DRIVER_EXPORT int ConfigureDriver(CApiBaseInterface* config) {
    try {
        return quildrv::ConfigureDriverWith(config);
    } catch (...) {
        return 0;
    }
}
