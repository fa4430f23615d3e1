// Parses arbitrary bytes as an ini file, queries and edits what it found, and checks that
// the edited text parses again to the same lines.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/ProfileParser.h"

using platform::ProfileDocument;
using platform::ProfileParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ProfileDocument doc;
    if (!ProfileParser::Parse(std::span(data, size), doc)) return 0;

    for (const std::string& section : doc.SectionNames()) {
        for (const std::string& key : doc.KeyNames(section)) (void)doc.Value(section, key);
        (void)doc.SectionEntries(section);
    }
    std::string section = "Fuzz";
    std::string key = "Key";
    if (!doc.lines().empty()) {
        const ProfileDocument::Line& first = doc.lines().front();
        if (first.kind == ProfileDocument::LineKind::Section) section = first.name;
        if (first.kind == ProfileDocument::LineKind::Entry) key = first.name;
    }
    const bool plainKey = key.find_first_of("=\r\n") == std::string::npos && !key.empty() &&
                          key.front() != ';' && key.front() != '[';
    const bool plainSection = section.find_first_of("]\r\n") == std::string::npos;
    if (plainKey && plainSection) {
        doc.SetValue(section, key, "value");
        const auto value = doc.Value(section, key);
        if (!value || *value != "value") std::abort();
        doc.RemoveKey(section, key);
        if (doc.Value(section, key)) std::abort();
    }
    doc.RemoveSection(section);

    const std::vector<std::uint8_t> bytes = doc.Serialize();
    ProfileDocument again;
    if (ProfileParser::Parse(bytes, again) && again.lines().size() != doc.lines().size())
        std::abort();
    return 0;
}
