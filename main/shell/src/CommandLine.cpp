#include "shell/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace shell {

namespace {

// The pieces of `text` between any of `delimiters`, empty pieces skipped.
std::vector<std::string> Pieces(std::string_view text, std::string_view delimiters) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(delimiters, at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(text.find_first_of(delimiters, start), text.size());
        pieces.emplace_back(text.substr(start, end - start));
        at = end;
    }
    return pieces;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

// Where the first of the spellings starts in `line`, or npos.
std::size_t FindSwitch(const std::string& line, std::initializer_list<const char*> spellings) {
    std::size_t found = std::string::npos;
    for (const char* s : spellings) found = std::min(found, line.find(s));
    return found;
}

void RemoveServices(CommandLine& cl, std::string_view fromSwitch) {
    cl.action = CommandLine::Action::Remove;
    const std::vector<std::string> pieces = Pieces(fromSwitch, "/");
    const std::string& first = pieces.front();
    if (first.find("all") != std::string::npos || first.find("ALL") != std::string::npos ||
        first.find("All") != std::string::npos) {
        cl.servicesToRemove.emplace_back(CommandLine::kServiceName);
        for (int n = 1; n <= 99; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "%03d%s", n, CommandLine::kServiceName);
            cl.servicesToRemove.emplace_back(name);
        }
        return;
    }
    const std::vector<std::string> id =
        pieces.size() > 1 ? Pieces(pieces[1], " ") : std::vector<std::string>{};
    cl.servicesToRemove.push_back((id.empty() ? "" : id.front()) + CommandLine::kServiceName);
}

void NewServiceName(CommandLine& cl, std::string_view fromSwitch) {
    const std::vector<std::string> pieces = Pieces(fromSwitch, "/");
    const std::string id = pieces.size() > 1 ? TrimRight(pieces[1]) : "";
    if (pieces.size() < 3 || id.empty() || pieces[2].empty()) {
        cl.action = CommandLine::Action::Refuse;
        cl.error = "/ns needs an instance number and a display name";
        return;
    }
    const std::string name = id + CommandLine::kServiceName;
    if (name.size() > CommandLine::kMaxServiceName ||
        pieces[2].size() > CommandLine::kMaxServiceName) {
        cl.action = CommandLine::Action::Refuse;
        cl.error = "/ns: the service name and the display name may have at most 199 characters";
        return;
    }
    cl.useInstanceServiceName = true;
    cl.serviceName = name;
    cl.displayName = pieces[2];
}

}  // namespace

CommandLine CommandLine::Parse(const std::vector<std::string>& args, bool isNt,
                               bool startAsService) {
    CommandLine cl;
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) line += ' ';
        line += arg;
        if (cl.instanceId.empty() && !arg.empty() && arg[0] != '/' && arg[0] != '-')
            cl.instanceId = arg;
    }
    if (cl.instanceId.size() > kMaxInstanceId) {
        cl.action = Action::Refuse;
        cl.error = "The instance id may have at most 99 characters";
        return cl;
    }
    if (!cl.instanceId.empty()) cl.deviceCountValueName = cl.instanceId + "Devices Selected";

    const std::size_t remove = FindSwitch(line, {"/remove", "/REMOVE", "/Remove"});
    if (isNt && remove != std::string::npos) {
        RemoveServices(cl, std::string_view(line).substr(remove));
        return cl;
    }
    if (line.find("/?") != std::string::npos) {
        cl.action = Action::Help;
        return cl;
    }
    const std::size_t ns = FindSwitch(line, {"/ns", "/NS"});
    if (isNt && startAsService && ns != std::string::npos)
        NewServiceName(cl, std::string_view(line).substr(ns));
    return cl;
}

bool ServiceModeRequested(std::optional<std::uint32_t> startAsService) {
    return startAsService && (*startAsService & 0xFF) == 1;
}

}  // namespace shell
