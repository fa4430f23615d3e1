// Directory values as the terminal front end's look-up takes them: a fake directory hands out
// entries made from the input, the look-up fills the host table (no file is written), and the
// input's words are resolved through it. Input: entries split by a 0 byte, their three values
// (host, host name, cluster) split by "\n"; a value may be missing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "hostdriver/DirectoryClient.h"
#include "hostdriver/HostDrvInt.h"
#include "hostdriver/TerminalMFE.h"
#include "support/DriverHarness.h"

namespace {

using Values = std::vector<std::vector<std::string>>;  // per entry: host, host name, cluster

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(at, start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    out.push_back(text.substr(start));
    return out;
}

class InputDirectory : public quildrv::CDirectoryClient {
public:
    explicit InputDirectory(const Values* entries) : m_entries(entries) {}
    bool Connect(const std::string&, int, const std::string&, int) override { return true; }
    bool Search(const std::vector<std::string>&) override { return !m_entries->empty(); }
    std::vector<std::string> GetValues(const std::string& attribute) override {
        const auto& e = (*m_entries)[m_at];
        const std::size_t i = attribute == "quil-host" ? 0 : attribute == "quil-hostname" ? 1 : 2;
        if (i >= e.size() || e[i].empty()) return {};
        return {e[i]};
    }
    bool NextEntry() override { return ++m_at < m_entries->size(); }
    void Close() override {}

private:
    const Values* m_entries;
    std::size_t m_at = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    Values entries;
    for (const std::string& e : Split(input, '\0'))
        if (entries.size() < 64) entries.push_back(Split(e, '\n'));
    quildrv::SetDirectoryClientMaker(
        [&entries] { return std::make_unique<InputDirectory>(&entries); });
    support::DriverHarness harness;
    harness.RecordLogLines(false);
    harness.SetGlobal("LDAPADDR", "127.0.0.1");
    harness.SetGlobal("CN", "a");
    harness.SetGlobal("OU", "b");
    harness.SetGlobal("O", "c");
    quildrv::CHostDrvInt driver(&harness);
    quildrv::CTerminalMFE terminal;
    (void)terminal.SetHostDrvInterface(&driver);
    (void)terminal.GetListOfPaidsFromLDAP("");
    for (const auto& record : terminal.HostInfo().Records())
        if (record.paid.empty() || record.host.empty() || record.cluster.empty()) std::abort();
    for (const auto& e : entries)
        for (const std::string& word : e) (void)terminal.GetDomainName(word.c_str());
    quildrv::SetDirectoryClientMaker(nullptr);
    return 0;
}
