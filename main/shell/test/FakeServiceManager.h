// A service manager that keeps its services in memory, writes what it is told into a journal
// ("status 3 cp 4 hint 0 accept 1 exit 0", "install 001TrevoPrint", "stop TrevoPrint"), and
// fails the operations a test names with the error it names.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Win32Error.h"
#include "shell/ServiceManager.h"

namespace shelltest {

class FakeServiceManager final : public shell::IServiceManager {
public:
    explicit FakeServiceManager(std::vector<std::string>& journal) : m_journal(journal) {}

    bool Open() override { return Answer("open"); }
    bool OpenService(const std::string& name) override {
        if (!Answer("openservice")) return false;
        if (installed.count(name)) return true;
        platform::SetLastError(platform::ERROR_SERVICE_DOES_NOT_EXIST);
        return false;
    }
    bool Install(const shell::ServiceDefinition& service) override {
        m_journal.push_back("install " + service.name);
        if (!Answer("install")) return false;
        definitions.push_back(service);
        installed.insert(service.name);
        return true;
    }
    bool Stop(const std::string& name) override {
        m_journal.push_back("stop " + name);
        if (!Answer("stop")) return false;
        if (stopStates.empty()) {
            platform::SetLastError(shell::ERROR_SERVICE_NOT_ACTIVE);
            return false;
        }
        return true;
    }
    std::optional<shell::ServiceState> QueryState(const std::string&) override {
        if (stopStates.empty()) return shell::ServiceState::StopPending;
        const shell::ServiceState state = stopStates.front();
        if (stopStates.size() > 1) stopStates.erase(stopStates.begin());
        return state;
    }
    bool Delete(const std::string& name) override {
        m_journal.push_back("delete " + name);
        if (!Answer("delete")) return false;
        installed.erase(name);
        return true;
    }
    bool ConnectDispatcher() override {
        if (startedByManager) return true;
        platform::SetLastError(shell::ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
        return false;
    }
    bool SetStatus(const shell::ServiceStatus& s) override {
        char line[128];
        std::snprintf(line, sizeof line, "status %u cp %u hint %u accept %u exit %u",
                      static_cast<unsigned>(s.state), s.checkpoint, s.waitHintMs,
                      s.controlsAccepted, s.exitCode);
        m_journal.push_back(line);
        statuses.push_back(s);
        return Answer("status");
    }
    std::uint64_t WatchdogIntervalMs() override { return watchdogMs; }
    bool PetWatchdog() override {
        ++pets;
        return true;
    }

    // The operations that fail, and with which error.
    std::map<std::string, platform::DWORD> failures;
    std::set<std::string> installed;
    std::vector<shell::ServiceDefinition> definitions;
    std::vector<shell::ServiceStatus> statuses;
    // What a stopping service answers to each look (the last one repeats); empty: the
    // service does not run, so a stop is refused.
    std::vector<shell::ServiceState> stopStates;
    bool startedByManager = true;
    std::uint64_t watchdogMs = 0;
    int pets = 0;

private:
    bool Answer(const std::string& operation) {
        const auto failure = failures.find(operation);
        if (failure == failures.end()) return true;
        platform::SetLastError(failure->second);
        return false;
    }

    std::vector<std::string>& m_journal;
};

}  // namespace shelltest
