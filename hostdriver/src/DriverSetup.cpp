#include "hostdriver/DriverSetup.h"

#include <vector>

#include "hostdriver/SetupSheet.h"
#include "platform/Memory.h"
#include "uikit/Dialog.h"

namespace quildrv {

namespace {

std::string Read(CApiBaseInterface& config, const char* key, unsigned int size,
                 const char* fallback) {
    std::vector<char> buffer(size + 1, '\0');
    unsigned int length = size + 1;
    if (!config.OnGetCfgInfo("", key, buffer.data(), &length)) buffer[0] = '\0';
    std::string value(buffer.data());
    return value.empty() ? fallback : value;
}

void Write(CApiBaseInterface& config, const char* key, const std::string& value) {
    (void)config.OnStoreCfgInfo("", key, value.c_str(), static_cast<unsigned int>(value.size()));
}

}  // namespace

SetupSettings ReadSetupSettings(CApiBaseInterface& config) {
    SetupSettings s;
    s.lniata = Read(config, "LNIATA", 6, "000000");
    s.port = Read(config, "PORT", 32, "30031");
    s.maxLogFileSize = Read(config, "MAXLOGFILESIZE", 128, "1000000");
    s.loggingThreshold = Read(config, "LOGGINGTHRESHOLD", 32, "OFF");
    s.logFile = Read(config, "LOGFILE", 256, "C:\\NARLODRV.TXT");
    s.socketLoggingThreshold = Read(config, "SOCKETLOGGINGTHRESHOLD", 32, "OFF");
    s.debug = Read(config, "DEBUG", 2, "0");
    s.endToEndLogging = Read(config, "ENDTOENDLOGGING", 2, "0");
    s.defaultHost = Read(config, "DEFAULTHOST", 128, "");
    s.segmentOverride = Read(config, "SEGMENTOVERRIDE", 2, "0");
    s.keepAlive = Read(config, "KEEPALIVE", 2, "0");
    s.devType = Read(config, "DEVTYPE", 32, "");
    s.poolType = Read(config, "POOLTYPE", 32, "");
    s.basePcc = Read(config, "BASEPCC", 10, "");
    s.branchPcc = Read(config, "BRANCHPCC", 10, "");
    s.poolName = Read(config, "POOLNAME", 10, "");
    s.keyName = Read(config, "KEYNAME", 10, "");
    s.cityCode = Read(config, "CITYCODE", 10, "");
    s.partition = Read(config, "PARTITION", 10, "");
    return s;
}

void WriteSetupSettings(CApiBaseInterface& config, const SetupSettings& s) {
    (void)config.OnStoreCfgInfo("", "REMOVEALL", nullptr, 0);
    Write(config, "PROTOCOL", "QUIL");
    Write(config, "LNIATA", s.lniata);
    Write(config, "MAXLOGFILESIZE", s.maxLogFileSize);
    Write(config, "LOGGINGTHRESHOLD", s.loggingThreshold);
    Write(config, "LOGFILE", s.logFile);
    Write(config, "SOCKETLOGGINGTHRESHOLD", s.socketLoggingThreshold);
    Write(config, "DEBUG", s.debug);
    Write(config, "ENDTOENDLOGGING", s.endToEndLogging);
    Write(config, "SEGMENTOVERRIDE", s.segmentOverride);
    Write(config, "KEEPALIVE", s.keepAlive);
    Write(config, "DEFAULTHOST", s.defaultHost);
    Write(config, "DEVTYPE", s.devType);
    std::string port = s.port;
    if (s.lniata != "000000") {
        port = s.devType == "TERMINAL" ? "30031" : "30051";
    } else {
        Write(config, "POOLTYPE", s.poolType);
        if (s.poolType == "AGENCY") {
            Write(config, "BASEPCC", s.basePcc);
            port = "30032";
        } else if (s.poolType == "EXTAGENCY") {
            Write(config, "BASEPCC", s.basePcc);
            Write(config, "BRANCHPCC", s.branchPcc);
            port = "30032";
        } else if (s.poolType == "HOST9") {
            Write(config, "POOLNAME", s.poolName);
            port = "30030";
        } else if (s.poolType == "EXTHOST9") {
            Write(config, "POOLNAME", s.poolName);
            Write(config, "KEYNAME", s.keyName);
            port = "30030";
        } else if (s.poolType == "TOTALHOST9") {
            Write(config, "POOLNAME", s.poolName);
            Write(config, "KEYNAME", s.keyName);
            Write(config, "CITYCODE", s.cityCode);
            Write(config, "PARTITION", s.partition);
            port = "30030";
        }
    }
    Write(config, "PORT", port);
}

int ConfigureDriverWith(CApiBaseInterface* config) {
    if (platform::IsBadReadPtr(config, 4)) return -1;
    SetupSettings settings = ReadSetupSettings(*config);
    CSetupSheet sheet(settings);
    const int result = uikit::RunModal(sheet) == uikit::IDOK ? 1 : 0;
    if (result == 0) return 0;
    if (settings.AnyInvalid()) return result;
    WriteSetupSettings(*config, settings);
    return result;
}

}  // namespace quildrv
