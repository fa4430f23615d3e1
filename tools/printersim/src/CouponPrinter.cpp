#include "printersim/CouponPrinter.h"

#include <algorithm>
#include <array>

namespace printersim {

namespace {

constexpr std::array<std::uint8_t, 7> kFrameStart = {0x02, 0x73, 0x1B, 0x0B, 0x20, 0x20, 0x0F};
constexpr std::array<std::uint8_t, 3> kFrameEnd = {0x1B, 0x12, 0x03};
constexpr std::array<std::uint8_t, 7> kInit = {0x1B, 0x5B, 0x33, 0x3B, 0x33, 0x2F, 0x7B};
constexpr std::array<std::uint8_t, 7> kReplyStart = {0x02, 0x1B, 0x0B, 0x20, 0x20, 0x00, 0x0F};

template <class Pattern>
bool StartsWith(const std::vector<std::uint8_t>& v, std::size_t at, const Pattern& p) {
    return v.size() - at >= p.size() && std::equal(p.begin(), p.end(), v.begin() + at);
}

// The XOR of the bytes after the first up to and including the first 03.
std::uint8_t Check(std::span<const std::uint8_t> frame) {
    std::uint8_t x = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        x ^= frame[i];
        if (frame[i] == 0x03) break;
    }
    return x;
}

}  // namespace

void CouponLineDecoder::Feed(std::span<const std::uint8_t> bytes, std::vector<CouponEvent>& out) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    std::size_t at = 0;
    while (at < m_pending.size()) {
        if (m_pending[at] == 0x06) {
            out.push_back({CouponEvent::Ack, {}, true});
            ++at;
            continue;
        }
        const std::size_t left = m_pending.size() - at;
        if (m_pending[at] == 0x1B) {
            if (StartsWith(m_pending, at, kInit)) {
                out.push_back({CouponEvent::Initialisation, {}, true});
                at += kInit.size();
                continue;
            }
            if (left < kInit.size() &&
                std::equal(m_pending.begin() + static_cast<std::ptrdiff_t>(at), m_pending.end(),
                           kInit.begin()))
                break;  // more to come
            ++at;
            continue;
        }
        if (m_pending[at] != 0x02) {
            ++at;
            continue;
        }
        if (left < kFrameStart.size()) break;
        if (!StartsWith(m_pending, at, kFrameStart)) {
            ++at;
            continue;
        }
        const auto textBegin = m_pending.begin() + static_cast<std::ptrdiff_t>(at + 7);
        const auto end =
            std::search(textBegin, m_pending.end(), kFrameEnd.begin(), kFrameEnd.end());
        if (end == m_pending.end() || end + 3 == m_pending.end()) {
            if (static_cast<std::size_t>(m_pending.end() - textBegin) > kMaxCouponText) {
                at = m_pending.size();  // too long: dropped
            }
            break;
        }
        const std::size_t frameEnd = static_cast<std::size_t>(end - m_pending.begin()) + 3;
        const std::span<const std::uint8_t> frame(m_pending.data() + at, frameEnd - at);
        out.push_back(
            {CouponEvent::Frame, std::string(textBegin, end), Check(frame) == m_pending[frameEnd]});
        at = frameEnd + 1;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<std::uint8_t> EncodeCouponReply(const std::string& text) {
    std::vector<std::uint8_t> reply(kReplyStart.begin(), kReplyStart.end());
    reply.insert(reply.end(), text.begin(), text.end());
    reply.push_back(0x20);
    reply.push_back(0x03);
    reply.push_back(Check(reply));
    return reply;
}

CouponPrinter::CouponPrinter() = default;

CouponPrinter::~CouponPrinter() {
    Stop();
}

bool CouponPrinter::Start() {
    if (!m_pty.Open()) return false;
    return m_thread.Start([this] { Run(); });
}

void CouponPrinter::Stop() {
    m_thread.Stop();
    static_cast<void>(m_thread.Join());
}

void CouponPrinter::SetAnswerer(Answerer answerer) {
    std::lock_guard lock(m_cs);
    m_answerer = std::move(answerer);
}

std::string CouponPrinter::NextScn() {
    return std::to_string(m_nextScn++);
}

std::vector<std::uint8_t> CouponPrinter::DefaultAnswer(const CouponEvent& frame) {
    const std::string& t = frame.text;
    if (t.compare(0, 2, "TK") == 0) return EncodeCouponReply("0OK0000SR1TKT1SC" + NextScn());
    if (t.compare(0, 2, "PT") == 0) return EncodeCouponReply("0OK0PECTAB");
    if (t.size() == 2) return EncodeCouponReply("0OK" + t + "READY");
    return {};
}

bool CouponPrinter::Send(std::span<const std::uint8_t> bytes) {
    return m_pty.Write(platform::Pty::Side::Master, bytes, 5000);
}

std::vector<CouponEvent> CouponPrinter::Events() const {
    std::lock_guard lock(m_cs);
    return m_events;
}

std::vector<std::string> CouponPrinter::FrameTexts() const {
    std::lock_guard lock(m_cs);
    std::vector<std::string> texts;
    for (const CouponEvent& e : m_events)
        if (e.kind == CouponEvent::Frame) texts.push_back(e.text);
    return texts;
}

std::size_t CouponPrinter::Acks() const {
    std::lock_guard lock(m_cs);
    return static_cast<std::size_t>(
        std::count_if(m_events.begin(), m_events.end(),
                      [](const CouponEvent& e) { return e.kind == CouponEvent::Ack; }));
}

bool CouponPrinter::WaitFrames(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_cs);
    return m_changed.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(std::count_if(
                   m_events.begin(), m_events.end(),
                   [](const CouponEvent& e) { return e.kind == CouponEvent::Frame; })) >= n;
    });
}

bool CouponPrinter::WaitAcks(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_cs);
    return m_changed.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(std::count_if(
                   m_events.begin(), m_events.end(),
                   [](const CouponEvent& e) { return e.kind == CouponEvent::Ack; })) >= n;
    });
}

void CouponPrinter::Run() {
    std::uint8_t block[1024];
    while (!m_thread.StopRequested()) {
        const long n = m_pty.Read(platform::Pty::Side::Master, block, 50);
        if (n < 0) static_cast<void>(platform::WaitForSingleObject(m_thread.StopEvent(), 10));
        if (n <= 0) continue;
        std::vector<CouponEvent> events;
        m_decoder.Feed(std::span<const std::uint8_t>(block, static_cast<std::size_t>(n)), events);
        std::vector<std::vector<std::uint8_t>> answers;
        {
            std::lock_guard lock(m_cs);
            for (const CouponEvent& e : events) {
                m_events.push_back(e);
                if (e.kind != CouponEvent::Frame) continue;
                auto answer = m_answerer ? m_answerer(e) : DefaultAnswer(e);
                if (!answer.empty()) answers.push_back(std::move(answer));
            }
        }
        m_changed.notify_all();
        for (const auto& a : answers) static_cast<void>(Send(a));
    }
}

}  // namespace printersim
