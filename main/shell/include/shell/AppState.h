// The program's start-up state that its parts read across each other: which instance runs,
// whether it runs as a service, whether a stop was asked for, and what the frame decided.
//
// Threads: written during start-up on the user-interface thread before the other threads
// start; stopRequested is also set by the service's control handler on its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/WindowFrame.h"

namespace shell {

struct AppState {
    // The instance id (empty for the main instance) and whether one was given.
    std::string instanceId;
    bool instance = false;
    // "Devices Selected", or the instance id followed by it.
    std::string deviceCountValueName = "Devices Selected";
    // The service this instance is: "TrevoPrint", or from "/ns" its own name and display
    // name (useInstanceServiceName set).
    bool useInstanceServiceName = false;
    std::string serviceName;
    std::string serviceDisplayName;
    // The program runs as a service.
    bool serviceMode = false;
    // The service manager asked the service to stop.
    std::atomic<bool> stopRequested{false};
    // A passport reader device exists.
    bool passportReaderPresent = false;
    // The configuration sheets may be opened in this run (decided by the frame).
    bool configurationAllowed = true;
    // The outside status window handed over ("SvhandleRequest"): the window (0: none), the
    // value that came with it, and whether a hand-over arrived since the view last refreshed.
    platform::WindowHandle outsideWindow = 0;
    platform::LPARAM outsideWindowParam = 0;
    bool outsideWindowArrived = false;
    // 1 until start-up hides the window, then 0.
    std::uint32_t startupWindowState = 1;
};

// The process's one state.
AppState& TheAppState();

}  // namespace shell
