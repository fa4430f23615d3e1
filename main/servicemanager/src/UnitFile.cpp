#include "servicemanager/UnitFile.h"

#include <cstdio>
#include <string_view>

namespace servicemanager {

namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsPlain(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("/_.+,:@=-").find(static_cast<char>(c)) != std::string_view::npos;
}

// One word of a command line or an assignment: as it stands when every byte is plain,
// otherwise quoted with C escapes. `argument`: a command's argument, where '$' names a
// variable and is doubled (the program's path and assignments take it as it stands).
std::string Word(std::string_view text, bool argument) {
    bool plain = !text.empty();
    for (const char c : text) plain = plain && IsPlain(static_cast<unsigned char>(c));
    std::string word;
    if (!plain) word += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '%') {
            word += "%%";
        } else if (c == '$' && argument) {
            word += "$$";
        } else if (c == '"' || c == '\\') {
            word += '\\';
            word += ch;
        } else if (IsControl(c)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            word += escaped;
        } else {
            word += ch;
        }
    }
    if (!plain) word += '"';
    return word;
}

// A free text (the description): control characters become blanks, '%' is doubled, and no
// backslash may end the line (it would join the next one).
std::string Text(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '%')
            out += "%%";
        else
            out += IsControl(c) ? ' ' : ch;
    }
    while (!out.empty() && (out.back() == '\\' || out.back() == ' ')) out.pop_back();
    return out;
}

}  // namespace

std::string UnitName(const std::string& serviceName) {
    std::string name;
    for (std::size_t i = 0; i < serviceName.size(); ++i) {
        const auto c = static_cast<unsigned char>(serviceName[i]);
        const bool keep =
            (IsPlain(c) && c != '/' && c != '+' && c != ',' && c != '@' && c != '=') &&
            !(i == 0 && c == '.');
        if (keep) {
            name += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            name += escaped;
        }
    }
    return name + ".service";
}

std::string UnitText(const shell::ServiceDefinition& service) {
    std::string command = Word(service.program.string(), false);
    if (!service.instanceId.empty()) command += " " + Word(service.instanceId, true);
    return "[Unit]\n"
           "Description=" +
           Text(service.displayName) +
           "\n"
           "\n"
           "[Service]\n"
           "Type=notify\n"
           "ExecStart=" +
           command +
           "\n"
           "Environment=" +
           Word("TREVO_HOME=" + service.machineRoot.string(), false) +
           "\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

}  // namespace servicemanager
