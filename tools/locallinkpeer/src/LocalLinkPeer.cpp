#include "locallinkpeer/LocalLinkPeer.h"

#include <array>

namespace locallinkpeer {

namespace {

constexpr std::size_t kHeader = 11;
constexpr int kIoTimeoutMs = 200;

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

bool DecodeRequest(const std::vector<std::uint8_t>& bytes, Question& out) {
    if (bytes.size() < kHeader + 1) return false;
    if (bytes[0] != 0xE9 || bytes[1] != 0x03 || bytes[2] != 'M') return false;
    if (Le32(&bytes[3]) != bytes.size() || bytes.back() != 0) return false;
    out.code = Le32(&bytes[7]);
    out.text.assign(bytes.begin() + kHeader, bytes.end() - 1);
    return true;
}

std::vector<std::uint8_t> EncodeAnswer(std::uint32_t button) {
    std::vector<std::uint8_t> out{0xE9, 0x03, 'A'};
    PutLe32(out, kHeader);
    PutLe32(out, button);
    return out;
}

LocalLinkPeer::LocalLinkPeer(std::vector<std::uint32_t> buttons) : m_buttons(std::move(buttons)) {}

LocalLinkPeer::~LocalLinkPeer() {
    Stop();
}

bool LocalLinkPeer::Start(std::uint16_t port) {
    if (!m_listener.Listen(platform::SocketAddress::Loopback(port))) return false;
    return m_thread.Start([this] { Run(); });
}

void LocalLinkPeer::Stop() {
    m_thread.Stop();
    static_cast<void>(m_thread.Join());
    m_listener.Close();
}

std::vector<Question> LocalLinkPeer::Questions() const {
    std::lock_guard lock(m_cs);
    return m_questions;
}

bool LocalLinkPeer::WaitQuestions(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_cs);
    return m_changed.wait_for(lock, timeout, [&] { return m_questions.size() >= n; });
}

void LocalLinkPeer::Run() {
    while (!m_thread.StopRequested()) {
        platform::Socket peer;
        if (m_listener.Accept(peer, kIoTimeoutMs)) Serve(peer);
    }
}

void LocalLinkPeer::Serve(platform::Socket& peer) {
    std::vector<std::uint8_t> request;
    std::array<std::uint8_t, 512> block{};
    // Reads until the header's length is in, or the asker goes, or the program is stopped.
    while (!m_thread.StopRequested()) {
        const int n = peer.Receive(block, kIoTimeoutMs);
        if (n == 0) return;
        if (n > 0) request.insert(request.end(), block.begin(), block.begin() + n);
        if (request.size() > kMaxRequest) return;
        if (request.size() >= kHeader && request.size() >= Le32(&request[3])) break;
    }
    Question q;
    if (!DecodeRequest(request, q)) return;
    bool bAnswer = false;
    std::uint32_t button = 0;
    {
        std::lock_guard lock(m_cs);
        m_questions.push_back(q);
        if (!m_buttons.empty()) {
            bAnswer = true;
            button = m_buttons[std::min(m_nextButton++, m_buttons.size() - 1)];
        }
    }
    m_changed.notify_all();
    if (bAnswer) {
        static_cast<void>(peer.SendAll(EncodeAnswer(button), 5000));
        return;
    }
    // No button: the operator never answers; the question stays open until the asker gives up.
    while (!m_thread.StopRequested() && peer.Receive(block, kIoTimeoutMs) != 0) {
    }
}

}  // namespace locallinkpeer
