// Which page of the add-device wizard follows which: each page's Next asks here, so that the
// order of pages per device type is written down once. A result of -1 means that the page
// has no next page for that input and stays.
#pragma once

#include <string>

namespace wizard {

// After the device type page.
int NextAfterDeviceType(const std::string& deviceType);
// After the port page: "COM..." to the COM settings, "LPT..." to the extended settings.
int NextAfterPort(const std::string& port);
// After the COM settings: the passport file page when the reader also writes to a file.
int NextAfterComPort(bool passportDataToFile);
// After the alias page of the device-manager printers.
int NextAfterAlias(const std::string& deviceType);
// After the file page: "Single" or "Multiple" (by list index 0 or 1).
int NextAfterFile(int fileTypeIndex);
// After the extended settings, the gate before the route page.
int NextAfterExtendedSettings(const std::string& deviceType);
// After the pages that lead straight on (form, system printers, queue, interface queue,
// named pipe, single and multiple file; bin choice; passport file; route completion).
int NextAfter(int pageId);

}  // namespace wizard
