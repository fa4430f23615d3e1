// The local link client: puts an operator question to the local link program on the own
// machine (TCP port 2372 of the host name's first IPv4 address) and waits for its answer.
// A request is the 11-byte link packet header (kind 'M', the caller's code), the question
// cut to 512 bytes and a NUL; the answer is one header alone, kind 'A', whose code is the
// button pressed. In service mode it is the operator seam's route for the devices'
// questions (InstallLocalLinkRoute).
//
// Threads: one client object per question, on the asking thread's stack.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "platform/SocketAddress.h"
#include "platform/Wait.h"

namespace devices {

inline constexpr std::uint16_t kLocalLinkPort = 2372;
inline constexpr std::size_t kLocalLinkMaxText = 512;

// Where the local link program listens; nothing when the own address cannot be found.
using LocalLinkEndpoint = std::function<std::optional<platform::SocketAddress>()>;
// The endpoint in use: by default the host name's first IPv4 address on port 2372.
std::optional<platform::SocketAddress> LocalLinkAddress();
// Replaces the endpoint (an empty function restores the default); for tests.
void SetLocalLinkEndpoint(LocalLinkEndpoint endpoint);

// The request's bytes.
std::vector<std::uint8_t> MakeLocalLinkRequest(const std::string& text, std::uint32_t code);

class CLocalLinkSocket {
public:
    CLocalLinkSocket() = default;
    ~CLocalLinkSocket();
    CLocalLinkSocket(const CLocalLinkSocket&) = delete;
    CLocalLinkSocket& operator=(const CLocalLinkSocket&) = delete;

    // The answer's code; 2 for an answer that does not count; -1 when the program cannot be
    // reached, the request did not go out whole, the connection ended before a whole answer,
    // or pCancel was signalled first.
    int SendAndWait(const std::string& text, std::uint32_t code,
                    platform::Waitable* pCancel = nullptr);

private:
    bool Connect();
    bool Send(const std::string& text, std::uint32_t code);
    int Receive(platform::Waitable* pCancel);

    platform::Socket m_socket;
    bool m_bConnected = false;
};

// Makes the local link the operator seam's route for questions in service mode; a question
// ends as -1 when the asking thread's question cancel (core::CQuestionCancel) is signalled.
void InstallLocalLinkRoute();

}  // namespace devices
