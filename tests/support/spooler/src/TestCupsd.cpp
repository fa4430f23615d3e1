#include "support/TestCupsd.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "spooler/CupsAdmin.h"

namespace support {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kServerBin = "/usr/lib/cups";
constexpr auto kStartWait = std::chrono::seconds(20);
constexpr auto kJobWait = std::chrono::seconds(30);
constexpr auto kPoll = std::chrono::milliseconds(20);

// Raw and PDF documents go to the device unchanged (the filter only unpacks compressed ones).
constexpr const char* kPassThroughPpd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "PASSTHRU.PPD"
*Manufacturer: "Test"
*Product: "(Pass-through)"
*ModelName: "Pass-through"
*ShortNickName: "Pass-through"
*NickName: "Pass-through"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter: "application/vnd.cups-raw 0 gziptoany"
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*ImageableArea Letter/US Letter: "0 0 612 792"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
)PPD";

void Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace

TestCupsd::TestCupsd(const fs::path& root) : m_dir(root / "cups"), m_socket(m_dir / "sock") {
    if (const char* server = std::getenv("CUPS_SERVER")) m_previousServer = server;
}

TestCupsd::~TestCupsd() {
    if (m_cupsd.Running()) {
        static_cast<void>(m_cupsd.Kill());
    }
    if (m_previousServer) {
        setenv("CUPS_SERVER", m_previousServer->c_str(), 1);
    } else {
        unsetenv("CUPS_SERVER");
    }
    spooler::ForgetServer();
}

bool TestCupsd::Available() {
    std::error_code ec;
    return geteuid() == 0 && fs::exists(kCupsd, ec) &&
           fs::exists(fs::path(kServerBin) / "filter" / "gziptoany", ec);
}

void TestCupsd::WriteConfiguration() const {
    std::error_code ec;
    for (const char* sub : {"spool", "tmp", "cache", "state", "log", "out", "bin", "bin/backend"})
        fs::create_directories(m_dir / sub, ec);
    // The server's filters run as lp: they pass through the root to the spool.
    for (fs::path p = m_dir; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        fs::permissions(p, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add,
                        ec);
        if (p.parent_path() == p) break;
    }
    for (const char* sub : {"filter", "daemon", "monitor", "notifier", "cgi-bin"})
        fs::create_directory_symlink(fs::path(kServerBin) / sub, m_dir / "bin" / sub, ec);
    // The server takes device URIs only of schemes that have a program; these never print
    // in tests (their queues are only paused and resumed).
    for (const char* scheme : {"serial", "parallel"})
        fs::create_symlink("/bin/true", m_dir / "bin" / "backend" / scheme, ec);
    const std::string d = m_dir.string();
    std::ostringstream files;
    files << "ServerRoot " << d << "\n"
          << "RequestRoot " << d << "/spool\n"
          << "TempDir " << d << "/tmp\n"
          << "CacheDir " << d << "/cache\n"
          << "StateDir " << d << "/state\n"
          << "ServerBin " << d << "/bin\n"
          << "AccessLog " << d << "/log/access_log\n"
          << "ErrorLog " << d << "/log/error_log\n"
          << "PageLog " << d << "/log/page_log\n"
          << "Printcap " << d << "/printcap\n"
          << "FileDevice Yes\n"
          << "SystemGroup root\n";
    Write(m_dir / "cups-files.conf", files.str());
    std::ostringstream conf;
    conf << "LogLevel warn\n"
         << "Listen " << m_socket.string() << "\n"
         << "Browsing No\n"
         << "WebInterface No\n"
         << "DefaultAuthType None\n"
         << "PreserveJobFiles Yes\n"
         << "PreserveJobHistory Yes\n"
         << "MaxJobs 0\n"
         << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
         << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    Write(m_dir / "cupsd.conf", conf.str());
    Write(m_dir / "passthru.ppd", kPassThroughPpd);
}

bool TestCupsd::Start() {
    if (m_socket.string().size() >= 100) return false;
    WriteConfiguration();
    if (!m_cupsd.Start(kCupsd, {"-f", "-c", (m_dir / "cupsd.conf").string(), "-s",
                                (m_dir / "cups-files.conf").string()})) {
        return false;
    }
    setenv("CUPS_SERVER", m_socket.c_str(), 1);
    spooler::ForgetServer();
    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        if (fs::exists(m_socket, ec) && spooler::ServerAnswers()) return true;
        if (m_cupsd.Wait(0)) return false;  // it ended
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

bool TestCupsd::AddQueue(const std::string& strName, const std::string& strDeviceUri) {
    std::string error;
    const std::string uri =
        strDeviceUri.empty() ? "file://" + OutputFile(strName).string() : strDeviceUri;
    return spooler::AddQueue(strName, uri, (m_dir / "passthru.ppd").string(), error);
}

fs::path TestCupsd::OutputFile(const std::string& strName) const {
    return m_dir / "out" / strName;
}

std::optional<std::vector<int>> TestCupsd::WaitJobsCompleted(const std::string& strName,
                                                             std::size_t n) {
    const auto deadline = std::chrono::steady_clock::now() + kJobWait;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto jobs = spooler::QueueJobs(strName);
        bool bDone = jobs.size() == n;
        for (const auto& [id, state] : jobs) bDone = bDone && state == 9;
        if (bDone) {
            std::vector<int> ids;
            for (const auto& job : jobs) ids.push_back(job.first);
            return ids;
        }
        if (jobs.size() > n) return std::nullopt;
        std::this_thread::sleep_for(kPoll);
    }
    return std::nullopt;
}

std::optional<std::string> TestCupsd::JobDocument(int iJobId) const {
    char name[32];
    std::snprintf(name, sizeof name, "d%05d-001", iJobId);
    std::ifstream in(m_dir / "spool" / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TestCupsd::ErrorLog() const {
    std::ifstream in(m_dir / "log" / "error_log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace support
