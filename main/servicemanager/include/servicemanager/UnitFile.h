// The systemd unit of a service: its name on the machine and the text of its unit file.
//
// A unit name keeps letters, digits and ":_.-"; any other byte is written "\xNN", as systemd
// escapes names. In the file, every value is made safe for systemd's parser: '%' is doubled
// (no specifier is expanded), control characters go, and a command's or an assignment's word
// that holds anything but plain path characters is quoted with C escapes ('$' is doubled in
// a command's arguments, where it would name a variable).
#pragma once

#include <string>

#include "shell/ServiceManager.h"

namespace servicemanager {

// "TrevoPrint" -> "TrevoPrint.service".
std::string UnitName(const std::string& serviceName);

// [Unit] Description=display name; [Service] Type=notify, ExecStart=program [instance id],
// Environment=TREVO_HOME=machine root; [Install] WantedBy=multi-user.target.
std::string UnitText(const shell::ServiceDefinition& service);

}  // namespace servicemanager
