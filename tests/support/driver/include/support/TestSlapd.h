// A directory server of the test's own: slapd started in the foreground in the test's machine
// root, with the core schema and a schema for the driver's mapping entries, an mdb database
// that slapadd fills with the given entries below the search base, and a listener on a loopback
// port chosen at run time. Start waits (bounded) until the server accepts; Stop (also run when the
// object goes) ends it through its pid file and waits (bounded) for its end. A failed Start
// (a missing program, a broken entry) leaves the reason in Log().
//
// The entries are children of the search base in the order given, which is the order a search
// returns them in. One thread uses an object.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ChildProcess.h"

namespace support {

class TestSlapd {
public:
    // A mapping entry; an empty value list leaves the attribute out.
    struct Mapping {
        std::vector<std::string> host;      // "quil-host"
        std::vector<std::string> hostName;  // "quil-hostname"
        std::vector<std::string> cluster;   // "quil-cluster"
    };

    explicit TestSlapd(const std::filesystem::path& root);
    ~TestSlapd();
    TestSlapd(const TestSlapd&) = delete;
    TestSlapd& operator=(const TestSlapd&) = delete;

    // The server programs and the core schema are there.
    static bool Available();
    [[nodiscard]] bool Start(const std::vector<Mapping>& entries);
    void Stop();
    std::uint16_t Port() const noexcept { return m_port; }
    // The search base is "cn=paids,ou=res,o=trevo".
    static constexpr const char* kCn = "paids";
    static constexpr const char* kOu = "res";
    static constexpr const char* kO = "trevo";
    // What the server programs wrote, for failure messages.
    const std::string& Log() const noexcept { return m_log; }

private:
    bool WriteFiles(const std::vector<Mapping>& entries);
    bool Fill();
    bool Listen();
    // The pid in the server's pid file, or 0.
    long ServerPid() const;

    std::filesystem::path m_dir;
    std::uint16_t m_port = 0;
    std::string m_log;
    platform::ChildProcess m_slapd;
};

}  // namespace support
