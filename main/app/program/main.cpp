// veka: the device link of the work place. A termination or interrupt signal closes it as
// a window close would (as a service: as the service manager's stop): the devices are shut
// down in order before it ends.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/TerminationSignal.h"
#include "servicemanager/SystemdServiceManager.h"

int main(int argc, char** argv) {
    // Before any thread starts: the signals are read on the user-interface loop, and no
    // other thread may take them.
    if (!platform::TerminationSignal::Block()) std::perror("veka: signals");
    std::vector<std::string> args(argv + 1, argv + argc);
    servicemanager::CSystemdServiceManager services;
    app::CProgram program(shell::TheAppState(), stdout, &services);
    return program.Run(args);
}
