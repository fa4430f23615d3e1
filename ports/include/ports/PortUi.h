// What the port library shows to a person: message boxes, the port-settings dialog and the
// port list of a combo box. Without a display (the default) a message box is written to
// the port log, the dialog answers "cancelled" and the combo box receives nothing.
#pragma once

#include <string>

#include "platform/Export.h"
#include "platform/PortBackend.h"

namespace lineserv {

enum class MessageIcon { Warning, Information };

class TREVO_EXPORT PortUi {
public:
    virtual ~PortUi();
    virtual void messageBox(void* owner, const std::string& text, const std::string& caption,
                            MessageIcon icon) = 0;
    // Edits the settings of the named port in place; false when the person cancelled.
    virtual bool commConfigDialog(const std::string& port, void* owner, platform::Dcb& dcb) = 0;
    virtual void addComboString(void* combo, const std::string& text) = 0;
    // The window that owns dialogs opened without an owner of their own (may be null).
    virtual void* activeWindow() = 0;
};

// Installs the user interface (null: back to none). The caller keeps it alive meanwhile.
TREVO_EXPORT void SetPortUi(PortUi* ui);
TREVO_EXPORT PortUi& CurrentPortUi();

}  // namespace lineserv
