#include "zel/VorsSettings.h"

#include <strings.h>
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/Profile.h"
#include "zel/ZelTranslate.h"

namespace zel {
namespace {

std::mutex g_lock;
VorsSettings g_settings;

// A command in the host code: each character through the code's table, 0x6F written as
// 0x7C and 0x2B as 0x5B.
std::vector<std::uint8_t> HostCommand(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (const char ch : text) {
        const std::uint8_t c = static_cast<std::uint8_t>(ch);
        const Bytes coded = TranslateToEbcdic(std::span<const std::uint8_t>(&c, 1), false);
        // The code of the character: its last byte before the end-of-message code.
        if (coded.size() < 2) continue;
        std::uint8_t b = coded[coded.size() - 2];
        if (b == 0x6F) b = 0x7C;
        if (b == 0x2B) b = 0x5B;
        out.push_back(b);
    }
    return out;
}

}  // namespace

std::string ProfileName(const char* name) {
    const std::filesystem::path path = platform::ProfilePath(name);
    std::error_code ec;
    if (path.empty() || std::filesystem::exists(path, ec)) return name;
    for (std::filesystem::directory_iterator it(path.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string found = it->path().filename().string();
        if (strcasecmp(found.c_str(), name) == 0) return found;
    }
    return name;
}

void LoadRegionCommands() {
    VorsSettings s;
    const std::string trevo = ProfileName(kTrevoIni);
    s.hostTrans =
        static_cast<int>(platform::GetPrivateProfileInt("VORS", "HostTrans", 0, trevo.c_str()));
    s.c1c2Trans =
        static_cast<int>(platform::GetPrivateProfileInt("VORS", "C1C2Trans", 0, trevo.c_str()));
    if (s.hostTrans == 1) {
        const std::string vors = ProfileName(kVorsIni);
        for (std::size_t r = 0; r < kRegions.size(); ++r) {
            char value[10] = {};
            (void)platform::GetPrivateProfileString(kRegions[r], "CHGCHG", "1", value, sizeof value,
                                                    vors.c_str());
            const std::string text(value);
            if (text.size() > 1) s.commands[r] = HostCommand(text);
        }
    }
    std::lock_guard<std::mutex> lock(g_lock);
    g_settings = std::move(s);
}

VorsSettings CurrentVors() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_settings;
}

PrinterSwitch FindRegionSwitch(std::span<const std::uint8_t> text, const VorsSettings& vors) {
    PrinterSwitch result = PrinterSwitch::None;
    for (std::size_t r = 0; r < vors.commands.size(); ++r) {
        const auto& command = vors.commands[r];
        if (command.empty()) continue;
        const auto at = std::search(text.begin(), text.end(), command.begin(), command.end());
        if (at == text.end() || at - text.begin() > 1) continue;
        result = r + 1 == vors.commands.size() ? PrinterSwitch::Off : PrinterSwitch::On;
    }
    return result;
}

}  // namespace zel
