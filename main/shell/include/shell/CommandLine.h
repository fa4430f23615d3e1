// What the program's command line asks for at start-up: the instance id, removing Windows
// services, the help text, or a service name of its own for a new instance.
//
// The instance id is the first parameter that begins with neither "/" nor "-". The switches
// "/remove" ("/REMOVE", "/Remove"), "/?" and "/ns" ("/NS") are looked for anywhere in the
// parameters joined by blanks, and are taken in that order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace shell {

struct CommandLine {
    enum class Action {
        Run,     // start normally
        Remove,  // remove the services of servicesToRemove, in order, then end
        Help,    // show the help text (string 61237), then end
        Refuse,  // a parameter the program cannot take: show `error`, then end
    };

    static constexpr std::size_t kMaxInstanceId = 99;
    static constexpr std::size_t kMaxServiceName = 199;
    static constexpr const char* kServiceName = "TrevoPrint";
    static constexpr const char* kHelpCaption = "Service Syntax commands for Trevo Print Module";

    Action action = Action::Run;
    std::string instanceId;
    std::string deviceCountValueName = "Devices Selected";
    std::vector<std::string> servicesToRemove;
    // From "/ns": the service is serviceName/displayName instead of "TrevoPrint".
    bool useInstanceServiceName = false;
    std::string serviceName;
    std::string displayName;
    std::string error;

    // `isNt`: the system is Windows NT ("/remove" and "/ns" are ignored elsewhere);
    // `startAsService`: the registry asks for service mode ("/ns" is ignored otherwise).
    static CommandLine Parse(const std::vector<std::string>& args, bool isNt, bool startAsService);
};

// Whether the registry's "StartAsService" value asks for service mode: it exists and its
// lowest byte is 1.
bool ServiceModeRequested(std::optional<std::uint32_t> startAsService);

}  // namespace shell
