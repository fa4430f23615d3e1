// The driver's setup sheet, "QUIL Protocol Driver Setup": the General (108), Network (107) and
// Debug (106) pages' controls in one dialog model (their control ids do not overlap), each
// page marked in the control list so that a window toolkit shows them as tabs. OK
// checks each page as it is left and takes its values into the settings; a page that refuses
// its input shows why, sets its flag and keeps the sheet open.
#pragma once

#include <string>

#include "hostdriver/DriverSetup.h"
#include "uikit/Dialog.h"

namespace quildrv {

namespace setup {
// General
inline constexpr int kTerminal = 1008, kPrinter = 1009, kLniata = 1010, kHostPooling = 1011,
                     kAgencyPooling = 1012, kBasePcc = 1014, kBranchPcc = 1015, kPoolName = 1018,
                     kKeyName = 1020, kCityCode = 1022, kPartition = 1024;
// Network
inline constexpr int kDefaultHost = 1005, kSegmentOverride = 1006, kKeepAlive = 1007;
// Debug
inline constexpr int kSessionTracing = 1025, kMaxLogSize = 1001, kLogFile = 1002,
                     kSocketTracing = 1027, kQuilTracing = 1003, kEndToEnd = 1004;
}  // namespace setup

// The string table's texts and the captions of the messages.
inline constexpr const char* kSetupNoLogFile =
    "No Log File specified. Please enter a logfile for output of the debug messages.";
inline constexpr const char* kSetupNoBasePcc =
    "You must enter a BasePCC value in order to utilize Agency Pooling.";
inline constexpr const char* kSetupNoPoolName =
    "You must enter a Host Pool Name in order to utilize Host Pooling.";
inline constexpr const char* kSetupBadLniata = "The LNIATA must be 6 characters in length.";
inline constexpr const char* kSetupNoDevType =
    "You must specify a device type in order to configure this session.";

class CSetupSheet : public uikit::IDialogModel {
public:
    explicit CSetupSheet(SetupSettings& settings);
    const uikit::DialogSpec& Spec() const override { return m_spec; }
    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The tracing levels a combo box offers.
    static const char* const kLevels[9];

private:
    void UpdateEnabling(uikit::IControlPanel& panel);
    // Each takes its page's values; false (with the message shown) when they are refused.
    bool LeaveGeneral(uikit::IControlPanel& panel);
    bool LeaveNetwork(uikit::IControlPanel& panel);
    bool LeaveDebug(uikit::IControlPanel& panel);

    SetupSettings& m_settings;
    uikit::DialogSpec m_spec;
};

}  // namespace quildrv
