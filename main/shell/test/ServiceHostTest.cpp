#include "shell/ServiceHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FakeServiceManager.h"
#include "ShellFixture.h"
#include "platform/MachineRoot.h"
#include "shell/Document.h"

using shell::CServiceHost;
using shell::ServiceState;
using namespace shelltest;

namespace {

// Everything written to a stream, read back.
class CapturedOutput {
public:
    CapturedOutput() : m_file(std::tmpfile()) {}
    ~CapturedOutput() { std::fclose(m_file); }
    std::FILE* File() const { return m_file; }
    std::string Text() const {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string text;
        for (int c; (c = std::fgetc(m_file)) != EOF;) text += static_cast<char>(c);
        return text;
    }

private:
    std::FILE* m_file;
};

class ServiceHost : public ShellTest {
protected:
    std::unique_ptr<CServiceHost> MakeHost() {
        shell::ServiceHooks hooks;
        hooks.closeMainWindow = [this] {
            journal.push_back("close");
            if (closeDocument && closeDocument()) host->Stopped();
        };
        hooks.systemLog = [this](const std::vector<std::string>& texts) {
            systemLog.insert(systemLog.end(), texts.begin(), texts.end());
        };
        hooks.sleep = [this](std::uint32_t ms) {
            journal.push_back("sleep " + std::to_string(ms));
        };
        hooks.out = output->File();
        hooks.program = "/opt/trevo/bin/veka";
        return std::make_unique<CServiceHost>(app, manager, loop, std::move(hooks));
    }
    void Pump() {
        static_cast<void>(loop.PumpUntil([] { return false; }, 0));
    }

    support::FakeClockScope clock;
    platform::EventLoop loop;
    shell::AppState app;
    std::vector<std::string> journal;
    FakeServiceManager manager{journal};
    std::vector<std::string> systemLog;
    std::unique_ptr<CapturedOutput> output = std::make_unique<CapturedOutput>();
    std::function<bool()> closeDocument;
    std::unique_ptr<CServiceHost> host;
};

const char* const kStarting[] = {
    "status 2 cp 1 hint 3000 accept 0 exit 0",
    "status 2 cp 2 hint 3000 accept 0 exit 0",
    "status 2 cp 3 hint 3000 accept 0 exit 0",
};

}  // namespace

// The service of the process is the main one, the one of its instance id, or the one "/ns"
// named; it is installed only when missing, starting the program with the instance id.
TEST_F(ServiceHost, StartUpInstallsTheServiceWhenMissingAndReportsTheStart) {
    const struct {
        std::string instanceId;
        bool ns;
        bool installedBefore;
        std::string name, displayName, execId;
    } cases[] = {
        {"", false, false, "TrevoPrint", "Trevo Printing Module", ""},
        {"", false, true, "TrevoPrint", "", ""},
        {"001", true, false, "001TrevoPrint", "Trevo Print Module001", "001"},
        {"002", false, false, "002TrevoPrint", "Trevo Printing Module", "002"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + (c.installedBefore ? " installed" : ""));
        journal.clear();
        manager.installed.clear();
        manager.definitions.clear();
        if (c.installedBefore) manager.installed.insert(c.name);
        app.useInstanceServiceName = c.ns;
        app.serviceName = c.ns ? c.name : "";
        app.serviceDisplayName = c.ns ? c.displayName : "";
        output = std::make_unique<CapturedOutput>();
        host = MakeHost();
        EXPECT_TRUE(host->ServiceStartup(c.instanceId));
        EXPECT_EQ(host->ServiceName(), c.name);
        std::vector<std::string> expected;
        if (!c.installedBefore) expected.push_back("install " + c.name);
        expected.insert(expected.end(), std::begin(kStarting), std::end(kStarting));
        EXPECT_EQ(journal, expected);
        EXPECT_EQ(host->State(), ServiceState::StartPending);
        if (c.installedBefore) {
            EXPECT_EQ(output->Text(), "");
            continue;
        }
        ASSERT_EQ(manager.definitions.size(), 1u);
        const shell::ServiceDefinition& d = manager.definitions[0];
        EXPECT_EQ(d.displayName, c.displayName);
        EXPECT_EQ(d.program, "/opt/trevo/bin/veka");
        EXPECT_EQ(d.instanceId, c.execId);
        EXPECT_EQ(d.machineRoot, platform::MachineRoot());
        EXPECT_EQ(output->Text(), "Trevo Printing Module installed.\n");
    }
    EXPECT_TRUE(boxes.empty());
}

// A stop reports STOP_PENDING at once and closes the window after the grace; the devices go
// down (one that throws does not keep the others up) and only then is STOPPED reported.
TEST_F(ServiceHost, AStopIsPendingUntilEveryDeviceIsDown) {
    for (const char* key : {"Device 01", "Device 02", "Device 03"}) PutDevice(key, "File");
    RecordingConstructor made;
    app.serviceMode = true;
    shell::CVekaDoc doc(app, made.Function());
    static_cast<FakeDevice*>(doc.Device(1))->m_bThrowOnShutDown = true;
    EXPECT_FALSE(doc.OnCloseDocument());  // a service's window close before a stop: ignored

    manager.installed.insert("TrevoPrint");
    manager.watchdogMs = 0;
    host = MakeHost();
    closeDocument = [&] {
        const bool closed = doc.OnCloseDocument();
        journal.insert(journal.end(), made.journal.begin(), made.journal.end());
        return closed;
    };
    ASSERT_TRUE(host->ServiceStartup(""));
    host->Run();
    journal.clear();

    host->Stop();
    EXPECT_TRUE(app.stopRequested.load());
    host->Stop();  // a second stop only repeats the state
    clock.Advance(CServiceHost::kCloseGraceMs - 1);
    Pump();
    EXPECT_EQ(journal, (std::vector<std::string>{"status 3 cp 4 hint 0 accept 1 exit 0",
                                                 "status 3 cp 4 hint 0 accept 1 exit 0"}));
    clock.Advance(1);
    Pump();
    clock.Advance(CServiceHost::kCloseGraceMs);
    Pump();
    EXPECT_EQ(
        journal,
        (std::vector<std::string>{
            "status 3 cp 4 hint 0 accept 1 exit 0", "status 3 cp 4 hint 0 accept 1 exit 0", "close",
            "Device 01 shutdown", "Device 01 deleted", "Device 02 shutdown", "Device 02 deleted",
            "Device 03 shutdown", "Device 03 deleted", "status 1 cp 0 hint 0 accept 1 exit 0"}));
    EXPECT_EQ(host->State(), ServiceState::Stopped);
    EXPECT_EQ(host->ExitCode(), 0);
    EXPECT_TRUE(systemLog.empty());
}

// Started by hand, the process tells the user it is meant to be started by the manager and
// runs as a service all the same: a stop still closes it, with nothing reported.
TEST_F(ServiceHost, AProcessTheManagerDidNotStartSaysSoAndStillStops) {
    manager.installed.insert("TrevoPrint");
    manager.startedByManager = false;
    host = MakeHost();
    int closes = 0;
    closeDocument = [&] { return ++closes > 0; };
    ASSERT_TRUE(host->ServiceStartup(""));
    EXPECT_EQ(boxes, std::vector<std::string>{CServiceHost::kNotAServiceText});
    EXPECT_FALSE(host->Connected());
    host->Run();
    host->Stop();
    clock.Advance(CServiceHost::kCloseGraceMs);
    Pump();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(journal, std::vector<std::string>{"close"});
    EXPECT_TRUE(manager.statuses.empty());
}

// A report the manager refuses goes to the system log with its error, which becomes the
// exit code; a code whose low byte is 0 still ends the process as a failure.
TEST_F(ServiceHost, AFailedReportIsLoggedAndEndsTheProcessWithItsError) {
    manager.installed.insert("TrevoPrint");
    manager.failures["status"] = platform::ERROR_ACCESS_DENIED;
    host = MakeHost();
    ASSERT_TRUE(host->ServiceStartup(""));
    EXPECT_EQ(systemLog, (std::vector<std::string>{"TrevoPrint error: 5", "SetServiceStatus",
                                                   "TrevoPrint error: 5", "SetServiceStatus"}));
    ASSERT_EQ(manager.statuses.size(), 2u);
    EXPECT_EQ(manager.statuses[1].state, ServiceState::Stopped);
    EXPECT_EQ(manager.statuses[1].exitCode, 5u);
    EXPECT_EQ(host->ExitCode(), 5);

    const struct {
        platform::DWORD error;
        int exitCode;
    } codes[] = {{0, 0}, {5, 5}, {0x100, 1}, {1063, 0x27}, {0x12300, 1}};
    for (const auto& c : codes) {
        platform::SetLastError(c.error);
        host->AddToMessageLog("text");
        EXPECT_EQ(host->ExitCode(), c.exitCode) << c.error;
    }
}

TEST_F(ServiceHost, TheWatchdogIsToldFromTheLoopTwiceAnInterval) {
    manager.installed.insert("TrevoPrint");
    manager.watchdogMs = 10000;
    host = MakeHost();
    ASSERT_TRUE(host->ServiceStartup(""));
    host->Run();
    EXPECT_EQ(manager.statuses.back().state, ServiceState::Running);
    EXPECT_EQ(manager.statuses.back().controlsAccepted, shell::kAcceptStop);
    for (int i = 1; i <= 3; ++i) {
        clock.Advance(5000);
        Pump();
        EXPECT_EQ(manager.pets, i);
    }
    host->Stopped();
    clock.Advance(5000);
    Pump();
    EXPECT_EQ(manager.pets, 3);
}

// Removal: what the user reads for each outcome, and the waits while a service stops.
TEST_F(ServiceHost, RemovalTellsEachOutcome) {
    using S = ServiceState;
    const struct {
        const char* what;
        std::map<std::string, platform::DWORD> failures;
        bool installed;
        std::vector<S> stopStates;
        std::string text;
        int sleeps;
    } cases[] = {
        {"no manager",
         {{"open", platform::ERROR_ACCESS_DENIED}},
         true,
         {},
         "OpenSCManager failed - Access is denied. (0x5)\n",
         0},
        {"not installed",
         {},
         false,
         {},
         "OpenService failed - The specified service does not exist as an installed service. "
         "(0x424)\n",
         0},
        {"not running", {}, true, {}, "Trevo Printing Module removed.\n", 0},
        {"running",
         {},
         true,
         {S::StopPending, S::StopPending, S::Stopped},
         "\nTrevo Printing Module stopped.\nTrevo Printing Module removed.\n",
         3},
        {"never stops",
         {},
         true,
         {S::StopPending},
         "\nTrevo Printing Module failed to stop.\nTrevo Printing Module removed.\n",
         1 + CServiceHost::kMaxStopPolls},
        {"cannot delete",
         {{"delete", platform::ERROR_ACCESS_DENIED}},
         true,
         {},
         "DeleteService failed - Access is denied. (0x5)\n",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        journal.clear();
        manager.failures = c.failures;
        manager.installed =
            c.installed ? std::set<std::string>{"001TrevoPrint"} : std::set<std::string>{};
        manager.stopStates = c.stopStates;
        CapturedOutput out;
        shell::ServiceHooks hooks;
        hooks.out = out.File();
        int sleeps = 0;
        hooks.sleep = [&](std::uint32_t ms) {
            EXPECT_EQ(ms, CServiceHost::kStopPollMs);
            ++sleeps;
        };
        CServiceHost remover(app, manager, loop, std::move(hooks));
        remover.RemoveService("001TrevoPrint");
        EXPECT_EQ(out.Text(), c.text);
        EXPECT_EQ(sleeps, c.sleeps);
    }
}

TEST(GetLastErrorText, TheSystemTextAndTheCodeWhenTheyFit) {
    platform::SetLastError(platform::ERROR_ACCESS_DENIED);
    EXPECT_EQ(shell::GetLastErrorText(), "Access is denied. (0x5)");
    EXPECT_EQ(shell::GetLastErrorText(31), "Access is denied. (0x5)");
    EXPECT_EQ(shell::GetLastErrorText(30), "");
    platform::SetLastError(0xDEAD);  // no text
    EXPECT_EQ(shell::GetLastErrorText(), "");
}
