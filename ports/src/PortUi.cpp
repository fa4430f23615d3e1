#include "ports/PortUi.h"

#include <atomic>

#include "Logs.h"

namespace lineserv {

PortUi::~PortUi() = default;

namespace {

// No display: nobody can answer, so dialogs are cancelled and message boxes go to the log.
class HeadlessUi final : public PortUi {
public:
    void messageBox(void*, const std::string& text, const std::string& caption,
                    MessageIcon) override {
        lineservLog().logPrint("%s: %s\n", caption.c_str(), text.c_str());
    }
    bool commConfigDialog(const std::string&, void*, platform::Dcb&) override { return false; }
    void addComboString(void*, const std::string&) override {}
    void* activeWindow() override { return nullptr; }
};

HeadlessUi g_headless;
std::atomic<PortUi*> g_ui{nullptr};

}  // namespace

void SetPortUi(PortUi* ui) {
    g_ui.store(ui, std::memory_order_release);
}

PortUi& CurrentPortUi() {
    PortUi* ui = g_ui.load(std::memory_order_acquire);
    return ui ? *ui : g_headless;
}

}  // namespace lineserv
