#include "quilsp/NotificationMsg.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace quilsp {

namespace {

constexpr std::size_t kLniataAt = 7;
constexpr std::size_t kLniataLength = 6;
constexpr std::size_t kHostAt = 15;
constexpr std::uint8_t kEndOfMessage = 0x15;

}  // namespace

CNotificationMsg::CNotificationMsg(std::span<const std::uint8_t> data, int mode) {
    if (mode != 1 && mode != 2) return;
    // The text ends at a zero byte, as the host's text does.
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(data.data()),
                                static_cast<std::size_t>(end - data.begin()));

    if (text.size() > kLniataAt) m_lniata = std::string(text.substr(kLniataAt, kLniataLength));
    if (text.size() <= kHostAt) return;

    const std::string_view rest = text.substr(kHostAt);
    const std::size_t slashes = rest.find("//");
    m_host = std::string(rest.substr(0, slashes));
    std::transform(m_host.begin(), m_host.end(), m_host.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    if (mode != 1 || slashes == std::string_view::npos) return;

    std::string_view after = rest.substr(slashes + 2);
    if (!after.empty() && static_cast<std::uint8_t>(after.back()) == kEndOfMessage)
        after.remove_suffix(1);
    if (after == "9") {
        m_codeFlag = true;
        std::copy_n(rest.begin() + static_cast<std::ptrdiff_t>(slashes), m_code.size(),
                    m_code.begin());
    }
}

}  // namespace quilsp
