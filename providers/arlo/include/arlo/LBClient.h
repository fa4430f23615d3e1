// One exchange with the load balancer: the request that asks for a front end (by class name
// or by terminal address) and the reply that grants one ("R-...") or refuses ("E-nnn").
//
// Request: 0x02, the text length (16 bits, big-endian), the text. Reply: the same 3-byte
// header, then a body of at most 1,277 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "brxconn/CLniata.h"

namespace arlo {

inline constexpr std::uint32_t kDefaultLoadBalancerPort = 12001;
inline constexpr std::size_t kReplyBuffer = 1280;
inline constexpr std::size_t kMaxReplyBody = kReplyBuffer - 3;

// What a grant carries.
struct Grant {
    std::array<std::uint8_t, 4> token{};
    std::uint32_t port = 0;
    CLniata lniata;
    std::string dnsName;
};

// The verdict on a reply body: 0 and the grant, or a result code with its texts.
struct ReplyVerdict {
    int result = 0;
    Grant grant;
    std::string errorMessage = "Not Available";
    std::string codeText;  // the first five characters of a refusal
};
ReplyVerdict ParseReply(std::span<const std::uint8_t> body);

class CLBClient {
public:
    enum Direction { Sending, Receiving };
    explicit CLBClient(Direction direction);

    // Reads the route's values; false when a required one is missing.
    bool LoadRouteSettings(const std::string& route);
    void SetIdentity(std::string identity) { m_identity = std::move(identity); }

    // The request text and its frame.
    std::string RequestText() const;
    std::vector<std::uint8_t> RequestFrame() const;

    // Where the socket sends from or reads into next, and how many bytes; empty when the
    // exchange is over.
    std::span<std::uint8_t> NextTransfer();
    // Moves on by what the socket moved.
    void TransferDone(std::size_t count);
    // Feeds received bytes (as many as fit the exchange); the count taken.
    std::size_t Feed(std::span<const std::uint8_t> bytes);

    bool IsComplete() const noexcept { return m_state == 4; }
    bool Failed() const noexcept { return m_state == 5; }
    int ResultCode() const noexcept { return m_verdict.result; }
    const ReplyVerdict& Verdict() const noexcept { return m_verdict; }

    // Route values.
    std::string loadBalancerName = "Error";
    std::string fallbackName = "Error";
    std::uint32_t loadBalancerPort = kDefaultLoadBalancerPort;
    std::uint32_t localPort = 0;
    bool useClass = false;
    std::string className;
    CLniata lniata;
    bool idleTimeoutEnabled = true;
    std::uint32_t idleTimeoutMs = 120000;

private:
    void Start();
    void Finish();

    Direction m_direction;
    int m_state;  // 0 nothing, 1 header, 2 header done, 3 body, 4 complete, 5 failed
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_done = 0;
    std::size_t m_wanted = 0;
    std::string m_identity;
    ReplyVerdict m_verdict;
};

}  // namespace arlo
