#include "support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "platform/Socket.h"
#include "platform/WinsockError.h"
#include "support/Hex.h"

namespace support {

namespace {

std::string HexByte(std::uint8_t byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string Offset(std::size_t offset) {
    return " at offset " + std::to_string(offset);
}

}  // namespace

ScriptedPeer::ScriptedPeer(int fd) {
    m_channel.read = [fd](std::span<std::uint8_t> out, int timeoutMs) -> long {
        const int got = platform::FdRead(fd, out, timeoutMs);
        if (got > 0) return got;
        if (got < 0 && platform::WSAGetLastError() == platform::WSAETIMEDOUT) return 0;
        return -1;
    };
    m_channel.write = [fd](std::span<const std::uint8_t> bytes, int timeoutMs) {
        return platform::FdWriteAll(fd, bytes, timeoutMs);
    };
}

ScriptedPeer::Channel ScriptedPeer::FarEndOf(platform::Pty& pty) {
    using Side = platform::Pty::Side;
    Channel channel;
    channel.read = [&pty](std::span<std::uint8_t> out, int timeoutMs) {
        return pty.Read(Side::Master, out, timeoutMs);
    };
    channel.write = [&pty](std::span<const std::uint8_t> bytes, int timeoutMs) {
        return pty.Write(Side::Master, bytes, timeoutMs);
    };
    return channel;
}

ScriptedPeer::~ScriptedPeer() {
    if (m_thread.joinable()) m_thread.join();
}

ScriptedPeer& ScriptedPeer::Expect(std::vector<std::uint8_t> bytes) {
    m_steps.push_back({Kind::Expect, std::move(bytes)});
    return *this;
}

ScriptedPeer& ScriptedPeer::ExpectHex(std::string_view hex) {
    return Expect(FromHex(hex));
}

ScriptedPeer& ScriptedPeer::ExpectText(std::string_view text) {
    return Expect(std::vector<std::uint8_t>(text.begin(), text.end()));
}

ScriptedPeer& ScriptedPeer::Send(std::vector<std::uint8_t> bytes) {
    m_steps.push_back({Kind::Send, std::move(bytes)});
    return *this;
}

ScriptedPeer& ScriptedPeer::SendHex(std::string_view hex) {
    return Send(FromHex(hex));
}

ScriptedPeer& ScriptedPeer::SendText(std::string_view text) {
    return Send(std::vector<std::uint8_t>(text.begin(), text.end()));
}

ScriptedPeer& ScriptedPeer::ExpectEnd() {
    m_steps.push_back({Kind::End, {}});
    return *this;
}

std::string ScriptedPeer::PlayExpect(const Step& step, int deadlineMs) {
    std::size_t matched = 0;
    std::uint8_t buffer[4096];
    while (matched < step.bytes.size()) {
        // Read no further than this step wants, so that later steps see their own bytes.
        const std::size_t want = std::min(sizeof buffer, step.bytes.size() - matched);
        const long got = m_channel.read(std::span(buffer, want), deadlineMs);
        const std::string expected =
            "expected " + HexByte(step.bytes[matched]) + Offset(m_received.size());
        if (got < 0) return expected + ", got end of stream";
        if (got == 0) {
            return expected + ", got nothing within " + std::to_string(deadlineMs) + " ms";
        }
        for (long i = 0; i < got; ++i, ++matched) {
            const std::uint8_t byte = buffer[i];
            if (byte != step.bytes[matched]) {
                const std::string report = "expected " + HexByte(step.bytes[matched]) +
                                           Offset(m_received.size()) + ", got " + HexByte(byte);
                m_received.push_back(byte);
                return report;
            }
            m_received.push_back(byte);
        }
    }
    return std::string();
}

std::string ScriptedPeer::PlayEnd(int deadlineMs) {
    std::uint8_t byte;
    const long got = m_channel.read(std::span(&byte, 1), deadlineMs);
    if (got < 0) return std::string();
    const std::string expected = "expected end of stream" + Offset(m_received.size());
    if (got == 0) return expected + ", got nothing within " + std::to_string(deadlineMs) + " ms";
    m_received.push_back(byte);
    return expected + ", got " + HexByte(byte);
}

std::string ScriptedPeer::Play(std::chrono::milliseconds stepDeadline) {
    const int deadlineMs = static_cast<int>(stepDeadline.count());
    for (std::size_t index = 0; index < m_steps.size(); ++index) {
        const Step& step = m_steps[index];
        std::string failure;
        switch (step.kind) {
            case Kind::Expect:
                failure = PlayExpect(step, deadlineMs);
                break;
            case Kind::Send:
                if (!m_channel.write(step.bytes, deadlineMs)) {
                    failure = "cannot send " + std::to_string(step.bytes.size()) +
                              " bytes: error " + std::to_string(platform::WSAGetLastError());
                }
                break;
            case Kind::End:
                failure = PlayEnd(deadlineMs);
                break;
        }
        if (!failure.empty()) return failure + " (step " + std::to_string(index + 1) + ")";
    }
    return std::string();
}

void ScriptedPeer::Start(std::chrono::milliseconds stepDeadline) {
    m_thread = std::thread([this, stepDeadline] { m_result = Play(stepDeadline); });
}

std::string ScriptedPeer::Finish() {
    if (m_thread.joinable()) m_thread.join();
    return m_result;
}

}  // namespace support
