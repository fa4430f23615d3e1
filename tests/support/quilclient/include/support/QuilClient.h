// A plain socket client for the host simulator's tests: builds records with the client-side
// record classes and reads the host's records back, every wait bounded.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "platform/Socket.h"
#include "platform/WinsockError.h"
#include "quil/QUILBuffer.h"
#include "quil/RecordReader.h"
#include "quil/SessionHeader.h"

namespace support {

inline constexpr int kDeadlineMs = 5000;

struct Received {
    quil::CSessionHeader header;
    std::vector<std::uint8_t> options;
    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> wire;
};

class QuilClient {
public:
    bool Connect(std::uint16_t port) { return Connect(platform::SocketAddress::Loopback(port)); }
    bool Connect(const platform::SocketAddress& address) {
        return m_socket.Create() && m_socket.Connect(address, kDeadlineMs);
    }

    bool Send(const quil::CSessionHeader& header, std::span<const std::uint8_t> options = {},
              std::span<const std::uint8_t> payload = {}) {
        quil::CSessionHeader h = header;
        h.SetOptionBytes(options.size());
        h.SetReservedTriple(7);
        const quil::CStreamHeader stream(
            0xFE, 1, 0, static_cast<std::uint32_t>(20 + options.size() + payload.size()));
        const quil::CQUILBuffer buffer(stream, h, options, payload);
        return SendRaw(buffer.Block());
    }

    bool SendRaw(std::span<const std::uint8_t> bytes) {
        return m_socket.SendAll(bytes, kDeadlineMs);
    }

    // The next record, or nothing when none came within timeoutMs (or the stream ended).
    std::optional<Received> Next(int timeoutMs = kDeadlineMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::uint8_t buffer[4096];
        while (m_records.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return std::nullopt;
            const int n = m_socket.Receive(buffer, static_cast<int>(left));
            if (n <= 0) {
                m_ended = n == 0 || platform::WSAGetLastError() != platform::WSAETIMEDOUT;
                m_lastError = n == 0 ? 0 : platform::WSAGetLastError();
                if (m_ended) return std::nullopt;
                continue;
            }
            if (!m_reader.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)),
                               [&](std::span<const std::uint8_t> r) {
                                   m_records.emplace_back(r.begin(), r.end());
                               }))
                return std::nullopt;
        }
        Received out;
        out.wire = std::move(m_records.front());
        m_records.pop_front();
        quil::CStreamHeader stream;
        quil::CQUILBuffer b;
        if (!stream.Read(out.wire) || !b.SetStreamHeader(stream) ||
            !b.FillFromReceived(std::span<const std::uint8_t>(out.wire).subspan(8)) ||
            !b.ReadSessionHeader(out.header))
            return std::nullopt;
        out.options.assign(b.Options().begin(), b.Options().end());
        out.payload.assign(b.Payload().begin(), b.Payload().end());
        return out;
    }

    // Waits for the host to end the stream: 0 for a close, else the socket error.
    std::optional<int> WaitEnd(int timeoutMs = kDeadlineMs) {
        while (!m_ended) {
            if (Next(timeoutMs)) continue;  // records before the end are skipped
            if (!m_ended) return std::nullopt;
        }
        return m_lastError;
    }

    platform::Socket& Socket() { return m_socket; }

private:
    platform::Socket m_socket;
    quil::RecordReader m_reader;
    std::deque<std::vector<std::uint8_t>> m_records;
    bool m_ended = false;
    int m_lastError = 0;
};

inline quil::CSessionHeader Header(std::uint8_t kind, std::uint8_t type,
                                   const quil::SessionIdentity& identity = {}) {
    quil::CSessionHeader h;
    h.SetKind(kind);
    h.SetErr(type);
    h.SetIdentity(identity);
    return h;
}

}  // namespace support
