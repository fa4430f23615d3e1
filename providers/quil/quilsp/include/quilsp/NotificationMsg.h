// An unsolicited-message notification from the host, in client code:
//   offset 7: the six-character LNIATA it names
//   offset 15: the host name, up to the first "//"
//   after "//": "9" alone (a trailing end-of-message character or zero aside) marks a coded
//   notification, whose code is the three bytes "//9".
// Short data is read as far as it goes; what is missing stays empty.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quilsp {

class CNotificationMsg {
public:
    // Mode 1 or 2 parses; any other mode leaves the record empty. Only mode 1 reads the code.
    CNotificationMsg(std::span<const std::uint8_t> data, int mode);

    const std::string& Lniata() const noexcept { return m_lniata; }
    const std::string& Host() const noexcept { return m_host; }
    bool HasCode() const noexcept { return m_codeFlag; }
    const std::array<std::uint8_t, 3>& Code() const noexcept { return m_code; }

private:
    std::string m_lniata;
    std::string m_host;
    bool m_codeFlag = false;
    std::array<std::uint8_t, 3> m_code{};
};

}  // namespace quilsp
