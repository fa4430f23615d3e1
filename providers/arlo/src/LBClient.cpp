#include "arlo/LBClient.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "arlo/ArloErrors.h"
#include "brxapicfg/BRXConfig.h"

namespace arlo {
namespace {

// The position just after `key` within the body, or npos.
std::size_t After(std::string_view body, std::string_view key) {
    const std::size_t at = body.find(key);
    return at == std::string_view::npos ? at : at + key.size();
}

// Decimal digits from `at`; false when there are none or the number is too large.
bool Decimal(std::string_view body, std::size_t at, std::uint32_t& out, std::uint32_t max) {
    std::uint64_t n = 0;
    std::size_t i = at;
    while (i < body.size() && body[i] >= '0' && body[i] <= '9' && n <= max) {
        n = n * 10 + static_cast<std::uint64_t>(body[i] - '0');
        ++i;
    }
    if (i == at || n > max) return false;
    out = static_cast<std::uint32_t>(n);
    return true;
}

}  // namespace

ReplyVerdict ParseReply(std::span<const std::uint8_t> bytes) {
    ReplyVerdict v;
    const std::string_view body(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (body.empty()) {
        v.result = kNoReply;
        v.errorMessage = "Invalid/Missing Message from ARLO.  Contact Helpdesk.";
        return v;
    }
    if (body.substr(0, 2) == "R-") {
        const std::size_t token = After(body, "TOKEN=");
        const std::size_t port = After(body, "IP_PORT=");
        const std::size_t lniata = After(body, "LNIATA=");
        const std::size_t dns = After(body, "DNS_NAME=");
        bool ok = token != body.npos && body.size() - token >= 4 && port != body.npos &&
                  lniata != body.npos && body.size() - lniata >= 6 && dns != body.npos;
        if (ok) {
            std::memcpy(v.grant.token.data(), body.data() + token, 4);
            ok = Decimal(body, port, v.grant.port, 65535) && v.grant.port != 0 &&
                 v.grant.lniata.SetString(std::string(body.substr(lniata, 6)));
            const std::size_t end = body.find(' ', dns);
            v.grant.dnsName =
                std::string(body.substr(dns, end == body.npos ? body.npos : end - dns));
            ok = ok && !v.grant.dnsName.empty();
        }
        if (!ok) {
            v.result = kGrantIncomplete;
            v.errorMessage =
                "Error Parsing ARLO Response, Data Missing or Invalid.  Contact Helpdesk";
        }
        return v;
    }
    if (body.substr(0, 2) == "E-") {
        v.codeText = std::string(body.substr(0, 5));
        std::uint32_t code = 0;
        if (!Decimal(body, 2, code, 9999)) code = 0;
        if (code != 0) {
            v.result = kRefusalBase + static_cast<int>(code);
            v.errorMessage = std::string(body);
        } else {
            v.result = kRefusedWithoutCode;
        }
        return v;
    }
    v.result = kOtherReply;
    v.errorMessage = std::string(body);
    return v;
}

CLBClient::CLBClient(Direction direction)
    : m_direction(direction), m_state(direction == Sending ? 2 : 0) {}

bool CLBClient::LoadRouteSettings(const std::string& route) {
    BRXConfig cfg;
    const std::string root = BRXConfig::kRoutesKey;
    unsigned long n = 0;
    if (cfg.GetValue(root, route, "Local IP Port", &n) == 0)
        localPort = static_cast<std::uint32_t>(n);
    if (cfg.GetValue(root, route, "Load Balancer Name", &loadBalancerName) != 0) return false;
    if (cfg.GetValue(root, route, "Load Balancer Fallback Name", &fallbackName) != 0) return false;
    if (cfg.GetValue(root, route, "Load Balancer IP Port", &n) != 0) return false;
    loadBalancerPort = n != 0 ? static_cast<std::uint32_t>(n) : kDefaultLoadBalancerPort;
    if (cfg.GetValue(root, route, "Use Class Name", &n) != 0) return false;
    useClass = n != 0;
    if (useClass) {
        if (cfg.GetValue(root, route, "Class Name", &className) != 0) return false;
    } else {
        std::string text;
        if (cfg.GetValue(root, route, "LNIATA", &text) != 0) return false;
        lniata = CLniata(text);
    }
    if (cfg.GetValue(root, route, "Enable Idle Timeout", &n) == 0) idleTimeoutEnabled = n != 0;
    if (cfg.GetValue(root, route, "Idle Timeout", &n) == 0)
        idleTimeoutMs = static_cast<std::uint32_t>(std::max<unsigned long>(n, 120) * 1000);
    return true;
}

std::string CLBClient::RequestText() const {
    if (useClass) return "GET TREVO_VIA_CLASS " + className + " PORT=0";
    return "GET TREVO_VIA_LNIATA " + lniata.GetString() + " PORT=0 ID=" + m_identity;
}

std::vector<std::uint8_t> CLBClient::RequestFrame() const {
    const std::string text = RequestText().substr(0, 0xFFFF);
    std::vector<std::uint8_t> frame{0x02, static_cast<std::uint8_t>(text.size() >> 8),
                                    static_cast<std::uint8_t>(text.size())};
    frame.insert(frame.end(), text.begin(), text.end());
    return frame;
}

void CLBClient::Start() {
    if (m_direction == Sending) {
        m_buffer = RequestFrame();
        m_done = 0;
        m_wanted = m_buffer.size();
        m_state = 3;
    } else {
        m_buffer.assign(kReplyBuffer, 0);
        m_done = 0;
        m_wanted = 3;
        m_state = 1;
    }
}

std::span<std::uint8_t> CLBClient::NextTransfer() {
    if (m_state == 0 || (m_direction == Sending && m_state == 2)) Start();
    if (m_state == 4 || m_state == 5 || m_wanted == 0) return {};
    return std::span<std::uint8_t>(m_buffer).subspan(m_done, m_wanted);
}

void CLBClient::TransferDone(std::size_t count) {
    if (m_state == 4 || m_state == 5) return;
    count = std::min(count, m_wanted);
    m_done += count;
    m_wanted -= count;
    if (m_wanted > 0) return;
    if (m_direction == Sending) {
        m_state = 4;
        return;
    }
    if (m_state == 1) {
        // The header is in: the body's length is checked before it is read.
        const std::size_t length = (std::size_t{m_buffer[1]} << 8) | m_buffer[2];
        if (length > kMaxReplyBody) {
            m_verdict.result = kOtherReply;
            m_verdict.errorMessage = "Invalid/Missing Message from ARLO.  Contact Helpdesk.";
            m_state = 5;
            m_buffer.clear();
            return;
        }
        m_state = 3;
        m_wanted = length;
        if (length > 0) return;
    }
    Finish();
}

void CLBClient::Finish() {
    const std::size_t length = m_done - 3;
    m_verdict = ParseReply(std::span<const std::uint8_t>(m_buffer).subspan(3, length));
    m_state = m_verdict.result == 0 ? 4 : 5;
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

std::size_t CLBClient::Feed(std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        const auto into = NextTransfer();
        if (into.empty()) break;
        const std::size_t n = std::min(into.size(), bytes.size() - taken);
        std::memcpy(into.data(), bytes.data() + taken, n);
        taken += n;
        TransferDone(n);
    }
    return taken;
}

}  // namespace arlo
