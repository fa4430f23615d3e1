// OTHERHOSTS and PTRURLLIST texts as the front ends read and rewrite them, and the host named
// by a print URL. Input: a name, a 0 byte, then the list (arbitrary bytes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "hostdriver/HostTexts.h"
#include "hostdriver/PrinterMFE.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quildrv;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    const std::string name = input.substr(0, cut);
    const std::string list = cut == std::string::npos ? std::string() : input.substr(cut + 1);

    const std::string_view entry = EntryOf(list, name);
    (void)EntryField(entry, "STATE");
    (void)EntryField(entry, "LID");
    (void)EntryField(entry, "RID");
    const std::string removed = RemoveEntry(list, name);
    if (removed.size() > list.size()) std::abort();
    const bool plainName = !name.empty() && name.find_first_of("/;") == std::string::npos;
    const std::string record = OtherHostEntry(name, 1, {1, 2, 3, 4}, {5, 6, 7});
    const std::string replaced = ReplaceEntry(list, name, record);
    if (plainName && EntryOf(replaced, name) != record) std::abort();
    if (plainName && FindEntry(removed, name) != std::string::npos) std::abort();
    (void)EntryHosts(list);

    std::string urls = list;
    const bool added = AddListName(urls, name, 1022);
    if (added && (urls.size() > 1022 || FindEntry(urls, name) == std::string::npos)) std::abort();
    if (added && AddListName(urls, name, 1022)) std::abort();
    for (int i = 0; i < 64 && TakeFirstName(urls); ++i) {
    }
    const std::string host = CPrinterMFE::UrlHost(std::span<const std::uint8_t>(data, size));
    if (host.size() > size) std::abort();
    return 0;
}
