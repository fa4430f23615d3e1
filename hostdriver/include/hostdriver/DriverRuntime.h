// The driver library's process-wide start and end: the session and host-socket registries, the
// socket layer, the keep-alive and idle-time-out threads. DriverStartup stops at the first
// failure and then undoes what it had started (threads joined, registries destroyed), so a
// failed start leaves nothing running behind it.
#pragma once

namespace quildrv {

// 1 when everything started, else 0.
int DriverStartup();
// Stops the threads, destroys the registries (host sockets first), ends the socket layer.
int DriverShutdown();

// Test hook: the start-up fails at this step (1 registries, 2 socket layer, 3 keep-alive
// thread, 4 idle thread); 0 for none.
void FailStartupAtStep(int step);

}  // namespace quildrv
