#include "shell/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using shell::CommandLine;
using Action = CommandLine::Action;

namespace {

std::vector<std::string> AllServices() {
    std::vector<std::string> names{"TrevoPrint"};
    for (int n = 1; n <= 99; ++n)
        names.push_back((n < 10 ? "00" : "0") + std::to_string(n) + "TrevoPrint");
    return names;
}

}  // namespace

TEST(CommandLine, SwitchesAndInstanceIds) {
    const std::string longName(196, 'n');
    const struct {
        std::vector<std::string> args;
        bool isNt, startAsService;
        Action action;
        std::string instanceId;
        std::vector<std::string> removed;
        std::string serviceName, displayName;  // "/ns"
    } cases[] = {
        {{}, true, false, Action::Run, "", {}, "", ""},
        {{"001"}, true, false, Action::Run, "001", {}, "", ""},
        {{"-x", "/y", "002"}, true, false, Action::Run, "002", {}, "", ""},
        {{"/remove", "all"}, true, false, Action::Remove, "all", AllServices(), "", ""},
        {{"/REMOVE"}, true, false, Action::Remove, "", {"TrevoPrint"}, "", ""},
        {{"001", "/remove", "/001"}, true, false, Action::Remove, "001", {"001TrevoPrint"}, "", ""},
        {{"/Remove", "/005 x"}, true, false, Action::Remove, "", {"005TrevoPrint"}, "", ""},
        {{"/remove"}, false, false, Action::Run, "", {}, "", ""},  // not NT: ignored
        {{"/remove", "/?"}, false, false, Action::Help, "", {}, "", ""},
        {{"001", "/?"}, true, true, Action::Help, "001", {}, "", ""},
        {{"001", "/ns", "/001", "/Trevo Print Module001"},
         true,
         true,
         Action::Run,
         "001",
         {},
         "001TrevoPrint",
         "Trevo Print Module001"},
        {{"001", "/NS", "/001  ", "/Name"},
         true,
         true,
         Action::Run,
         "001",
         {},
         "001TrevoPrint",
         "Name"},  // trailing blanks trimmed, not one character dropped
        {{"001", "/ns", "/001", "/Trevo Print Module001"},
         true,
         false,
         Action::Run,
         "001",
         {},
         "",
         ""},  // without service mode: ignored
        {{"001", "/ns", "/001", "/Trevo Print Module001"},
         false,
         true,
         Action::Run,
         "001",
         {},
         "",
         ""},
        {{"001", "/ns", "/001"}, true, true, Action::Refuse, "001", {}, "", ""},
        {{"001", "/ns", "/" + longName, "/Name"}, true, true, Action::Refuse, "001", {}, "", ""},
        {{"001", "/ns", "/001", "/" + longName + "xyzw"},
         true,
         true,
         Action::Refuse,
         "001",
         {},
         "",
         ""},
        {{std::string(100, '7')}, true, false, Action::Refuse, std::string(100, '7'), {}, "", ""},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += "[" + a.substr(0, 20) + "]";
        SCOPED_TRACE(line + (c.isNt ? " NT" : "") + (c.startAsService ? " service" : ""));
        const CommandLine cl = CommandLine::Parse(c.args, c.isNt, c.startAsService);
        EXPECT_EQ(cl.action, c.action);
        EXPECT_EQ(cl.instanceId, c.instanceId);
        EXPECT_EQ(cl.servicesToRemove, c.removed);
        EXPECT_EQ(cl.useInstanceServiceName, !c.serviceName.empty());
        EXPECT_EQ(cl.serviceName, c.serviceName);
        EXPECT_EQ(cl.displayName, c.displayName);
        EXPECT_EQ(cl.error.empty(), c.action != Action::Refuse) << cl.error;
        if (c.action != Action::Refuse) {
            EXPECT_EQ(cl.deviceCountValueName, c.instanceId + "Devices Selected");
        }
    }
}

TEST(CommandLine, ServiceModeIsAskedByTheLowestByte) {
    EXPECT_TRUE(shell::ServiceModeRequested(1));
    EXPECT_TRUE(shell::ServiceModeRequested(257));
    EXPECT_FALSE(shell::ServiceModeRequested(2));
    EXPECT_FALSE(shell::ServiceModeRequested(0));
    EXPECT_FALSE(shell::ServiceModeRequested(std::nullopt));
}
