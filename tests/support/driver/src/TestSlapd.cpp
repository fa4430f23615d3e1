#include "support/TestSlapd.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/Socket.h"
#include "platform/SocketAddress.h"

namespace support {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSlapd = "/usr/sbin/slapd";
constexpr const char* kSlapadd = "/usr/sbin/slapadd";
constexpr const char* kCoreSchema = "/etc/ldap/schema/core.schema";
constexpr const char* kModules = "/usr/lib/ldap";
constexpr int kProgramWaitMs = 20000;
constexpr auto kStartWait = std::chrono::seconds(20);
constexpr auto kPoll = std::chrono::milliseconds(10);
// A port chosen free may be taken by another program before slapd listens on it.
constexpr int kPortTries = 5;

// The mapping entries' attributes and class (the numbers are below the arc set aside for
// examples and documentation).
constexpr const char* kMappingSchema =
    "attributetype ( 1.3.6.1.4.1.32473.1.1.1 NAME 'quil-host'\n"
    "    EQUALITY caseIgnoreMatch SUBSTR caseIgnoreSubstringsMatch\n"
    "    SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )\n"
    "attributetype ( 1.3.6.1.4.1.32473.1.1.2 NAME 'quil-hostname'\n"
    "    EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )\n"
    "attributetype ( 1.3.6.1.4.1.32473.1.1.3 NAME 'quil-cluster'\n"
    "    EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )\n"
    "objectclass ( 1.3.6.1.4.1.32473.1.2.1 NAME 'quil-mapping' SUP top STRUCTURAL\n"
    "    MUST cn MAY ( quil-host $ quil-hostname $ quil-cluster ) )\n";

bool Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::uint16_t FreePort() {
    platform::Listener probe;
    if (!probe.Listen(platform::SocketAddress::Loopback(0))) return 0;
    return probe.Port();
}

}  // namespace

TestSlapd::TestSlapd(const fs::path& root) : m_dir(root / "slapd") {}

TestSlapd::~TestSlapd() {
    Stop();
}

bool TestSlapd::Available() {
    std::error_code ec;
    return fs::exists(kSlapd, ec) && fs::exists(kSlapadd, ec) && fs::exists(kCoreSchema, ec);
}

bool TestSlapd::WriteFiles(const std::vector<Mapping>& entries) {
    std::error_code ec;
    fs::create_directories(m_dir / "db", ec);
    if (ec) return false;
    const std::string d = m_dir.string();
    std::ostringstream conf;
    conf << "include " << kCoreSchema << "\n"
         << "include " << d << "/mapping.schema\n"
         << "pidfile " << d << "/slapd.pid\n";
    if (fs::exists(fs::path(kModules) / "back_mdb.so", ec))
        conf << "modulepath " << kModules << "\nmoduleload back_mdb\n";
    conf << "database mdb\n"
         << "suffix \"o=" << kO << "\"\n"
         << "directory " << d << "/db\n"
         << "maxsize 1048576\n";
    std::ostringstream ldif;
    ldif << "dn: o=" << kO << "\nobjectClass: organization\no: " << kO << "\n\n"
         << "dn: ou=" << kOu << ",o=" << kO << "\nobjectClass: organizationalUnit\nou: " << kOu
         << "\n\n"
         << "dn: cn=" << kCn << ",ou=" << kOu << ",o=" << kO
         << "\nobjectClass: organizationalRole\ncn: " << kCn << "\n\n";
    int n = 0;
    for (const Mapping& m : entries) {
        ++n;
        ldif << "dn: cn=m" << n << ",cn=" << kCn << ",ou=" << kOu << ",o=" << kO
             << "\nobjectClass: quil-mapping\ncn: m" << n << "\n";
        for (const std::string& v : m.host) ldif << "quil-host: " << v << "\n";
        for (const std::string& v : m.hostName) ldif << "quil-hostname: " << v << "\n";
        for (const std::string& v : m.cluster) ldif << "quil-cluster: " << v << "\n";
        ldif << "\n";
    }
    return Write(m_dir / "mapping.schema", kMappingSchema) &&
           Write(m_dir / "slapd.conf", conf.str()) && Write(m_dir / "entries.ldif", ldif.str());
}

bool TestSlapd::Fill() {
    platform::ChildProcess slapadd;
    if (!slapadd.Start(kSlapadd, {"-q", "-f", (m_dir / "slapd.conf").string(), "-l",
                                  (m_dir / "entries.ldif").string()})) {
        m_log += "slapadd could not be started\n";
        return false;
    }
    for (const std::string& line : slapadd.ReadRemaining(kProgramWaitMs)) m_log += line + "\n";
    const std::optional<int> code = slapadd.Wait(kProgramWaitMs);
    if (code != 0) m_log += "slapadd failed\n";
    return code == 0;
}

long TestSlapd::ServerPid() const {
    std::ifstream file(m_dir / "slapd.pid");
    long pid = 0;
    return file >> pid ? pid : 0;
}

bool TestSlapd::Listen() {
    m_port = FreePort();
    if (m_port == 0) return false;
    const std::string url = "ldap://127.0.0.1:" + std::to_string(m_port) + "/";
    // -d 0: in the foreground (a child of ours), without debug output.
    if (!m_slapd.Start(kSlapd, {"-d", "0", "-f", (m_dir / "slapd.conf").string(), "-h", url}))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    while (std::chrono::steady_clock::now() < deadline) {
        // slapd writes its pid file once it listens: an answer on the port before that may
        // come from another program that took the port first.
        platform::Socket probe;
        if (ServerPid() == m_slapd.Pid() && probe.Create() &&
            probe.Connect("127.0.0.1", m_port, 1000))
            return true;
        if (m_slapd.Wait(0)) {  // it ended: the port was taken, or the configuration is wrong
            for (const std::string& line : m_slapd.ReadRemaining(1000)) m_log += line + "\n";
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    Stop();
    return false;
}

bool TestSlapd::Start(const std::vector<Mapping>& entries) {
    Stop();
    if (!WriteFiles(entries) || !Fill()) return false;
    for (int i = 0; i < kPortTries; ++i)
        if (Listen()) return true;
    return false;
}

void TestSlapd::Stop() {
    if (!m_slapd.Running()) return;
    const long pid = ServerPid();
    const bool asked = pid == m_slapd.Pid() && ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
    if (!asked || !m_slapd.Wait(kProgramWaitMs)) (void)m_slapd.Kill();
    for (const std::string& line : m_slapd.ReadRemaining(0)) m_log += line + "\n";
}

}  // namespace support
