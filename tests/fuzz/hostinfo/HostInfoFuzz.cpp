// The host information file as the terminal front end reads it, then PAIDs resolved through
// it. Input: the file; its last line's words are also the PAIDs and hosts looked up.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "hostdriver/HostInfoTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    quildrv::CHostInfoTable table;
    const std::size_t added = table.Load(in);
    if (added != table.Records().size()) std::abort();
    for (const auto& record : table.Records()) {
        if (record.paid.empty() || record.host.empty() || record.cluster.empty()) std::abort();
        // A record's own line reads back as the same record.
        const auto again = quildrv::ParseHostInfoLine(quildrv::HostInfoLine(record));
        if (record.paid.find_first_of(";\r\n") == std::string::npos &&
            record.host.find_first_of(";\r\n") == std::string::npos &&
            record.cluster.find_first_of(";\r\n") == std::string::npos &&
            (!again || again->paid != record.paid || again->host != record.host))
            std::abort();
    }
    std::istringstream words(
        text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n')));
    std::string word;
    for (int i = 0; i < 8 && words >> word; ++i) {
        const auto host = table.Resolve(word);
        if (host && host->empty() && !table.Records().empty() && word.empty()) std::abort();
        table.SetState(word, i & 1);
        (void)table.State(word);
        table.SetDomainRid(word, {1, 2, 3});
        (void)table.DomainRid(word);
    }
    return 0;
}
