// The application object of the program: it decides from the command line and the store
// whether this process runs at all (one process per instance id), whether it only removes
// services, shows the command-line help or refuses its parameters, whether it runs as a
// service, and then has the document, frame and view made, records the start in the store,
// hides the window and gives it its title.
//
// What lies outside the models comes in through AppHooks: asking the running instance to
// show its window, removing a service, starting the service side, and making the window.
//
// Threads: user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/InstanceLock.h"
#include "shell/AppState.h"
#include "shell/CommandLine.h"

namespace shell {

// The main window as start-up uses it.
class IMainWindow {
public:
    virtual ~IMainWindow() = default;
    virtual void Hide() = 0;
    virtual void SetTitle(const std::string& title) = 0;
};

struct AppHooks {
    // Asks the running process whose window has this class name ("VEKA001") to restore
    // its window and bring it to the front; true when it did. None: nobody can be asked.
    std::function<bool(const std::string& windowClass)> restoreFirstInstance;
    // Removes one service by name (texts to the standard output).
    std::function<void(const std::string& serviceName)> removeService;
    // Starts the service side (installing the service when missing).
    std::function<bool()> serviceStartup;
    // Makes the document (with its devices), the frame and the view; null when it cannot.
    std::function<IMainWindow*()> createDocument;
    // The system's version class (CVersion); the NT 4.0 answer unless a test says otherwise.
    int osVersion = 2;
};

class CVekaApp {
public:
    enum class Start {
        Run,       // the window exists: run the loop
        Embedded,  // started for automation: run the loop without a document
        End,       // nothing to run
    };

    static constexpr const char* kWindowClass = "VEKA";
    static constexpr const char* kAutomationClassId = "{7C3E91A4-2F6B-4D8E-9A05-61B4C2D7E390}";
    static constexpr const char* kServiceTitle = "Trevo Print Module is Running as a Service";
    static constexpr const char* kDefaultTitle = "Trevo Printing Module";

    CVekaApp(AppState& state, AppHooks hooks);
    ~CVekaApp();
    CVekaApp(const CVekaApp&) = delete;
    CVekaApp& operator=(const CVekaApp&) = delete;

    Start InitInstance(const std::vector<std::string>& args);
    // Asks the running instance to show its window; logs when it cannot.
    bool FirstInstanceRestore();
    void ExitInstance();

    [[nodiscard]] const std::string& WindowClassName() const noexcept { return m_strWindowClass; }
    [[nodiscard]] const std::vector<std::string>& DeviceTypeNames() const noexcept {
        return m_deviceTypeNames;
    }
    [[nodiscard]] const CommandLine& Command() const noexcept { return m_command; }
    [[nodiscard]] bool ClassRegistered() const noexcept { return m_bClassRegistered; }
    // The window's title as start-up left it.
    [[nodiscard]] const std::string& Title() const noexcept { return m_strTitle; }

    // Whether the store asks for service mode ("StartAsService", lowest byte 1).
    static bool StartAsServiceRequested();

private:
    bool IsNt() const noexcept;
    void RegisterAutomationClass();
    bool RecordStart();
    void SetTitle(IMainWindow& window);

    AppState& m_state;
    AppHooks m_hooks;
    platform::InstanceLock m_instanceLock;
    CommandLine m_command;
    std::string m_strWindowClass = kWindowClass;
    std::vector<std::string> m_deviceTypeNames;
    bool m_bClassRegistered = false;
    std::string m_strTitle = kDefaultTitle;
};

}  // namespace shell
