#include "hostdriver/SetupSheet.h"

#include <cstdlib>

namespace quildrv {

namespace {

using uikit::ControlKind;
using uikit::ControlSpec;

const char* Flag(bool on) {
    return on ? "1" : "0";
}

bool IsAgencyPool(const std::string& type) {
    return type == "AGENCY" || type == "EXTAGENCY";
}

bool IsHostPool(const std::string& type) {
    return type == "HOST9" || type == "EXTHOST9" || type == "TOTALHOST9";
}

void Refuse(const char* caption, const char* text) {
    uikit::ShowMessage(std::string(caption) + ": " + text, uikit::MessageIcon::Warning);
}

}  // namespace

const char* const CSetupSheet::kLevels[9] = {"OFF",  "FATAL",  "ALERT", "CRIT", "ERROR",
                                             "WARN", "NOTICE", "INFO",  "DEBUG"};

CSetupSheet::CSetupSheet(SetupSettings& settings) : m_settings(settings) {
    using namespace setup;
    m_spec.caption = "QUIL Protocol Driver Setup";
    m_spec.width = 260;
    m_spec.height = 220;
    m_spec.controls = {
        {0, ControlKind::Page, "General"},
        {kTerminal, ControlKind::Radio, "Terminal"},
        {kPrinter, ControlKind::Radio, "Printer"},
        {kLniata, ControlKind::Edit,
         "Please provide the Trevo LNIATA in order to communicate with the NARLO. This is a six "
         "byte value.",
         true, 6},
        {kHostPooling, ControlKind::Check, "Host Pooling"},
        {kAgencyPooling, ControlKind::Check, "Agency Pooling"},
        {kBasePcc, ControlKind::Edit, "Base pseudo city code", true, 5},
        {kBranchPcc, ControlKind::Edit, "Branch pseudo city code", true, 5},
        {kPoolName, ControlKind::Edit, "Host pool name", true, 8},
        {kKeyName, ControlKind::Edit, "Profile key"},
        {kCityCode, ControlKind::Edit, "City code", true, 4},
        {kPartition, ControlKind::Edit, "Partition", true, 4},
        {0, ControlKind::Page, "Network"},
        {kDefaultHost, ControlKind::Edit, "Default host", true, 128},
        {kSegmentOverride, ControlKind::Check, "Segment Override Enabled"},
        {kKeepAlive, ControlKind::Check, "Session Persistence Enabled"},
        {0, ControlKind::Page, "Debug"},
        {0, ControlKind::Group, "Session Tracing"},
        {kSessionTracing, ControlKind::Edit, "Session tracing level"},
        {kMaxLogSize, ControlKind::Edit, "Maximum log file size (KB)"},
        {kLogFile, ControlKind::Edit, "Log file"},
        {0, ControlKind::Group, "Socket Tracing"},
        {kSocketTracing, ControlKind::Edit, "Socket tracing level"},
        {0, ControlKind::Label,
         "A socket log file will follow the naming convention of \"<hostname>_<port>.txt\" "
         "where all periods are replaced with underscore characters. Maximum file size is set "
         "at 100 KB"},
        {0, ControlKind::Group, "QUIL Protocol Tracing"},
        {kQuilTracing, ControlKind::Check,
         "Tracing Active (Enable NARLO tracing. This also activates local tracing.)"},
        {kEndToEnd, ControlKind::Check, "Tracing Active (Enable E2E NARLO Performance Tracing.)"},
        {uikit::IDOK, ControlKind::Button, "OK"},
        {uikit::IDCANCEL, ControlKind::Button, "Cancel"},
    };
}

void CSetupSheet::OnInitDialog(uikit::IControlPanel& panel) {
    using namespace setup;
    const SetupSettings& s = m_settings;
    panel.SetCheck(kTerminal, s.devType == "TERMINAL");
    panel.SetCheck(kPrinter, s.devType == "PRINTER");
    panel.SetText(kLniata, s.lniata);
    panel.SetCheck(kAgencyPooling, s.lniata == "000000" && IsAgencyPool(s.poolType));
    panel.SetCheck(kHostPooling, s.lniata == "000000" && IsHostPool(s.poolType));
    panel.SetText(kBasePcc, s.basePcc);
    panel.SetText(kBranchPcc, s.branchPcc);
    panel.SetText(kPoolName, s.poolName);
    panel.SetText(kKeyName, s.keyName);
    panel.SetText(kCityCode, s.cityCode);
    panel.SetText(kPartition, s.partition);
    panel.SetText(kDefaultHost, s.defaultHost);
    panel.SetCheck(kSegmentOverride, s.segmentOverride == "1");
    panel.SetCheck(kKeepAlive, s.keepAlive == "1");
    panel.SetText(kSessionTracing, s.loggingThreshold);
    // Kilobytes on the page, bytes in the settings.
    const long bytes = std::strtol(s.maxLogFileSize.c_str(), nullptr, 10);
    panel.SetText(kMaxLogSize, bytes > 0 ? std::to_string(bytes / 1000) : "1000");
    panel.SetText(kLogFile, s.logFile);
    panel.SetText(kSocketTracing, s.socketLoggingThreshold);
    panel.SetCheck(kQuilTracing, s.debug == "1");
    panel.SetCheck(kEndToEnd, s.endToEndLogging == "1");
    UpdateEnabling(panel);
}

void CSetupSheet::UpdateEnabling(uikit::IControlPanel& panel) {
    using namespace setup;
    const bool pooled = panel.GetText(kLniata) == "000000";
    if (!pooled) {
        panel.SetCheck(kAgencyPooling, false);
        panel.SetCheck(kHostPooling, false);
    }
    const bool agency = panel.GetCheck(kAgencyPooling);
    const bool hostPool = panel.GetCheck(kHostPooling);
    panel.Enable(kAgencyPooling, pooled && !hostPool);
    panel.Enable(kHostPooling, pooled && !agency);
    for (const int id : {kBasePcc, kBranchPcc, kCityCode, kPartition}) panel.Enable(id, agency);
    for (const int id : {kPoolName, kKeyName}) panel.Enable(id, hostPool);
}

void CSetupSheet::OnCommand(int id, uikit::IControlPanel& panel) {
    using namespace setup;
    switch (id) {
        case kLniata:
        case kAgencyPooling:
        case kHostPooling:
            UpdateEnabling(panel);
            return;
        case kTerminal:
        case kPrinter:
            panel.SetCheck(id == kTerminal ? kPrinter : kTerminal, false);
            return;
        case uikit::IDCANCEL:
            EndDialog(uikit::IDCANCEL);
            return;
        case uikit::IDOK:
            m_settings.generalInvalid = !LeaveGeneral(panel);
            if (m_settings.generalInvalid) return;
            m_settings.networkInvalid = !LeaveNetwork(panel);
            if (m_settings.networkInvalid) return;
            m_settings.debugInvalid = !LeaveDebug(panel);
            if (m_settings.debugInvalid) return;
            EndDialog(uikit::IDOK);
            return;
        default:
            return;
    }
}

bool CSetupSheet::LeaveGeneral(uikit::IControlPanel& panel) {
    using namespace setup;
    SetupSettings& s = m_settings;
    const bool terminal = panel.GetCheck(kTerminal);
    const bool printer = panel.GetCheck(kPrinter);
    if (!terminal && !printer) {
        Refuse("Invalid Device Type Specified", kSetupNoDevType);
        return false;
    }
    const std::string lniata = panel.GetText(kLniata);
    if (lniata.size() != 6) {
        Refuse("Invalid LNIATA specified", kSetupBadLniata);
        panel.SetFocus(kLniata);
        return false;
    }
    const bool agency = panel.GetCheck(kAgencyPooling);
    const bool hostPool = panel.GetCheck(kHostPooling);
    if (agency && panel.GetText(kBasePcc).empty()) {
        Refuse("Invalid BasePCC specified", kSetupNoBasePcc);
        panel.SetFocus(kBasePcc);
        return false;
    }
    std::string poolName = panel.GetText(kPoolName);
    if (hostPool && poolName.empty()) {
        Refuse("Invalid Host Pool Name specified", kSetupNoPoolName);
        panel.SetText(kPoolName, "DFLT01");
        panel.SetFocus(kPoolName);
        return false;
    }
    s.devType = terminal ? "TERMINAL" : "PRINTER";
    s.lniata = lniata;
    s.basePcc = panel.GetText(kBasePcc);
    s.branchPcc = panel.GetText(kBranchPcc);
    s.poolName = poolName;
    s.keyName = panel.GetText(kKeyName);
    s.cityCode = panel.GetText(kCityCode);
    s.partition = panel.GetText(kPartition);
    if (agency)
        s.poolType = s.branchPcc.empty() ? "AGENCY" : "EXTAGENCY";
    else if (hostPool)
        s.poolType = !s.cityCode.empty() || !s.partition.empty() ? "TOTALHOST9"
                     : !s.keyName.empty()                        ? "EXTHOST9"
                                                                 : "HOST9";
    return true;
}

bool CSetupSheet::LeaveNetwork(uikit::IControlPanel& panel) {
    using namespace setup;
    m_settings.defaultHost = panel.GetText(kDefaultHost);
    m_settings.segmentOverride = Flag(panel.GetCheck(kSegmentOverride));
    m_settings.keepAlive = Flag(panel.GetCheck(kKeepAlive));
    return true;
}

bool CSetupSheet::LeaveDebug(uikit::IControlPanel& panel) {
    using namespace setup;
    const auto level = [&panel](int id) {
        const std::string text = panel.GetText(id);
        for (const char* l : kLevels)
            if (text == l) return text;
        return std::string("OFF");
    };
    const std::string logFile = panel.GetText(kLogFile);
    const std::string sessionLevel = level(kSessionTracing);
    if (sessionLevel != "OFF" && logFile.empty()) {
        Refuse("Invalid Debug Options", kSetupNoLogFile);
        panel.SetFocus(kLogFile);
        return false;
    }
    const long kilobytes = std::strtol(panel.GetText(kMaxLogSize).c_str(), nullptr, 10);
    m_settings.maxLogFileSize = std::to_string((kilobytes > 0 ? kilobytes : 1000) * 1000L);
    m_settings.loggingThreshold = sessionLevel;
    m_settings.logFile = logFile;
    m_settings.socketLoggingThreshold = level(kSocketTracing);
    m_settings.debug = Flag(panel.GetCheck(kQuilTracing));
    m_settings.endToEndLogging = Flag(panel.GetCheck(kEndToEnd));
    return true;
}

}  // namespace quildrv
