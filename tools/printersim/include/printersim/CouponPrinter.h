// A coupon printer at the far end of a serial line, written from the printer's definition
// and kept apart from the program's own code. It owns a pseudo-terminal whose line side the
// program opens as its port, records what comes (the initialisation string, every ACK byte,
// every frame with its text and whether its check holds) and answers each frame as scripted.
//
// Frames to the printer: 02 73 1B 0B 20 20 0F, text, 1B 12 03, one check byte (the XOR of
// every byte after the first up to and including the 03). Replies: 02 1B 0B 20 20 00 0F,
// text, 20 03, one check byte (the same XOR).
//
// By default a two-letter command is answered "0OK", the command and "READY"; a pectab
// record "0OK0PECTAB"; a coupon "0OK0000SR1TKT1SC" and a 13-digit stock control number that
// counts up from 9545000314712; anything else not at all.
//
// Threads: one reader thread of its own; every member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Pty.h"
#include "platform/Thread.h"

namespace printersim {

struct CouponEvent {
    enum Kind { Initialisation, Ack, Frame } kind = Frame;
    std::string text;  // a frame's text
    bool checkOk = false;
};

// The decoder of what the program writes; fed in pieces of any size. Bytes that are none of
// its items are skipped; a frame text longer than kMaxCouponText is dropped.
class CouponLineDecoder {
public:
    static constexpr std::size_t kMaxCouponText = 65536;
    void Feed(std::span<const std::uint8_t> bytes, std::vector<CouponEvent>& out);

private:
    std::vector<std::uint8_t> m_pending;
};

std::vector<std::uint8_t> EncodeCouponReply(const std::string& text);

class CouponPrinter {
public:
    // The bytes that go back for a frame (empty: silence).
    using Answerer = std::function<std::vector<std::uint8_t>(const CouponEvent&)>;

    CouponPrinter();
    ~CouponPrinter();
    CouponPrinter(const CouponPrinter&) = delete;
    CouponPrinter& operator=(const CouponPrinter&) = delete;

    [[nodiscard]] bool Start();
    void Stop();
    const std::string& LinePath() const { return m_pty.slaveName(); }

    // Replaces the answers (an empty function restores the default). Runs on the reader
    // thread; it must not call the printer's members.
    void SetAnswerer(Answerer answerer);
    // The default answer; coupons take the next number.
    std::vector<std::uint8_t> DefaultAnswer(const CouponEvent& frame);
    std::string NextScn();

    [[nodiscard]] bool Send(std::span<const std::uint8_t> bytes);

    std::vector<CouponEvent> Events() const;
    std::vector<std::string> FrameTexts() const;
    std::size_t Acks() const;
    bool WaitFrames(std::size_t n, std::chrono::milliseconds timeout) const;
    bool WaitAcks(std::size_t n, std::chrono::milliseconds timeout) const;

private:
    void Run();

    platform::Pty m_pty;
    platform::Thread m_thread{"couponsim"};
    CouponLineDecoder m_decoder;
    mutable std::mutex m_cs;
    mutable std::condition_variable m_changed;
    Answerer m_answerer;
    std::vector<CouponEvent> m_events;
    std::int64_t m_nextScn = 9545000314712;
};

}  // namespace printersim
