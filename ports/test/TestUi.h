// A scripted user interface: dialogs answer from a queue, message boxes and combo box
// strings are recorded.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/PortBackend.h"
#include "ports/PortUi.h"

namespace lineserv_test {

class TestUi : public lineserv::PortUi {
public:
    struct Box {
        std::string text;
        std::string caption;
        lineserv::MessageIcon icon;
    };

    TestUi() { lineserv::SetPortUi(this); }
    ~TestUi() override { lineserv::SetPortUi(nullptr); }

    void messageBox(void*, const std::string& text, const std::string& caption,
                    lineserv::MessageIcon icon) override {
        boxes.push_back({text, caption, icon});
    }
    // Each dialog takes the next answer; none left (or nullopt) means cancelled.
    bool commConfigDialog(const std::string& port, void*, platform::Dcb& dcb) override {
        dialogPorts.push_back(port);
        dialogShown.push_back(dcb);
        if (answers.empty()) return false;
        const std::optional<platform::Dcb> answer = answers.front();
        answers.pop_front();
        if (!answer) return false;
        dcb = *answer;
        return true;
    }
    void addComboString(void* combo, const std::string& text) override {
        combos.push_back(combo);
        strings.push_back(text);
    }
    void* activeWindow() override { return window; }

    std::deque<std::optional<platform::Dcb>> answers;
    std::vector<std::string> dialogPorts;
    std::vector<platform::Dcb> dialogShown;
    std::vector<Box> boxes;
    std::vector<void*> combos;
    std::vector<std::string> strings;
    void* window = nullptr;
};

}  // namespace lineserv_test
