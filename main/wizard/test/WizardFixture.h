// What the configuration pages' tests share: a machine root with the program's string
// table, the store read and written beside the program's facade, the boxes put to the
// operator (answered from a script), and a wizard driven through its buttons.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/PortBackend.h"
#include "support/FakeSpooler.h"
#include "support/TempRoot.h"
#include "uikit/Dialog.h"
#include "uikit/MemorySheetSite.h"

namespace wizardtest {

inline const std::string kRoot = "Software\\The TREVO Group\\Common TREVO API";
inline const std::string kApp = kRoot + "\\Applications\\TREVO VEKA";

void PutString(const std::string& path, const char* name, const std::string& value);
void PutDword(const std::string& path, const char* name, std::uint32_t value);
// A value as text (strings without their zero, DWORDs in decimal); nothing when missing.
std::optional<std::string> Get(const std::string& path, const char* name);
// A value's bytes as stored.
std::optional<std::string> GetBytes(const std::string& path, const char* name);
bool KeyExists(const std::string& path);
// The value names of a key, in the order the store keeps them.
std::vector<std::string> ValueNames(const std::string& path);
// A device key below the application key.
void PutDevice(const std::string& id, const std::string& type, const std::string& name);
// A printer of the device manager, of class 1 or 2.
void PutDeviceManagerPrinter(const std::string& name, std::uint32_t printerClass,
                             const std::string& port = "COM3");
// The lines of the machine's log that contain `text`.
std::vector<std::string> LogLines(const std::string& text);
// The row of a list whose first text is exactly `text` (-1 when none).
int RowOf(const uikit::IControlPanel& panel, int id, const std::string& text);

// Selects the row of a list whose text is `text` and tells the page, as a click would.
void Choose(uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel, int id,
            const std::string& text);

// A page with its panel, made and shown as its sheet would.
template <typename Page>
struct Shown {
    Page page;
    uikit::MemoryPanel panel{page.Spec()};
    explicit Shown(const std::string& deviceKey = {}) {
        page.SetDeviceKey(deviceKey);
        page.OnInitDialog(panel);
        page.OnSetActive(panel);
    }
    // Next as the sheet presses it: the controls are taken first (-1 stays).
    int Next() { return page.OnKillActive(panel) ? page.OnWizardNext(panel) : -1; }
    std::string Selected(int id) { return panel.RowText(id, panel.Selected(id), 0); }
};

// A serial line that takes every setting and every write and never has input: what the
// device manager's printers are on while the pages open them.
std::unique_ptr<platform::SerialLine> OpenIdleLine();

// The machine's ports as the port library lists them ("COM1:"); every serial port opens
// as an idle line, no parallel port opens.
class FakePorts : public platform::PortBackend {
public:
    std::unique_ptr<platform::SerialLine> OpenSerial(const std::string&) override {
        return OpenIdleLine();
    }
    std::unique_ptr<platform::ParallelLine> OpenParallel(const std::string&) override {
        return nullptr;
    }
    std::vector<std::string> EnumPorts() override { return ports; }
    bool GetDefaultCommConfig(const std::string&, platform::Dcb&) override { return false; }
    bool SetDefaultCommConfig(const std::string&, const platform::Dcb&) override { return false; }

    std::vector<std::string> ports{"COM1:", "COM2:", "LPT1:", "LPT2:"};
};

class WizardTest : public support::TempRootTest {
protected:
    using PageInput = std::function<void(uikit::CPropertySheet&, uikit::MemoryPanel&)>;

    void SetUp() override;
    void TearDown() override;

    // What the operator does on the active page of a scripted wizard run before Next: the
    // inputs the pages require (a pipe name, a passport file in C:\, a click on the first
    // print queue), then the page's entry of `onPage`.
    void OperateOn(uikit::CPropertySheet& sheet, uikit::MemoryPanel& panel);

    // The machine has the drive C: with the folder C:\SPL, the ports of `ports`, and the
    // printer "Laser", its default.
    FakePorts ports;
    support::FakeSpooler spooler;
    std::map<int, PageInput> onPage;

    // The boxes shown ("text"), and the answers the next ones get (else OK or Cancel as an
    // absent operator answers).
    std::vector<std::string> boxes;
    std::deque<int> answers;
};

}  // namespace wizardtest
