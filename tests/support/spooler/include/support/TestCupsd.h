// A print server of the test's own, in the test's machine root: a cupsd started in the
// foreground with its configuration, spool, state, logs and socket below the root, and
// queues made with a pass-through printer description (raw and PDF documents reach the
// queue's device as they are). CUPS_SERVER points to it while it lives.
//
// The server runs as root (it refuses otherwise to run its filters as lp): Available() says
// whether this machine can run it. One thread uses an object; the client library keeps its
// server per thread, so start the server before the threads that print.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ChildProcess.h"

namespace support {

class TestCupsd {
public:
    explicit TestCupsd(const std::filesystem::path& root);
    ~TestCupsd();
    TestCupsd(const TestCupsd&) = delete;
    TestCupsd& operator=(const TestCupsd&) = delete;

    // Root, the server program and its filter are there.
    static bool Available();
    // Writes the configuration, starts the server and waits (bounded) until it answers.
    [[nodiscard]] bool Start();

    // A queue whose device is the file OutputFile(name), or the given device URI.
    [[nodiscard]] bool AddQueue(const std::string& strName, const std::string& strDeviceUri = "");
    std::filesystem::path OutputFile(const std::string& strName) const;
    // Waits (bounded) until the queue has n jobs, all completed; their ids.
    std::optional<std::vector<int>> WaitJobsCompleted(const std::string& strName, std::size_t n);
    // The document of a completed job as the server received it.
    std::optional<std::string> JobDocument(int iJobId) const;
    // The server's error log, for failure messages.
    std::string ErrorLog() const;

private:
    void WriteConfiguration() const;

    std::filesystem::path m_dir;
    std::filesystem::path m_socket;
    std::optional<std::string> m_previousServer;
    platform::ChildProcess m_cupsd;
};

}  // namespace support
